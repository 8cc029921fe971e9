//===- shell/UNIX_ShellMsgQueue.h - The master's message queue -*- C++ -*-===//
//
// One System V message queue between the master and the shell. The master creates it
// from a path and owns it: the object removes the queue when it goes. The shell opens the
// master's queue by the key it was given and never removes it.
//
//   UNIX_ShellMsgQueue created(pathOfMine, 0);   // master: a new queue, removed at the end
//   UNIX_ShellMsgQueue opened(key);              // shell: the master's queue
//   ShellFlagMsg(1).send(opened.id(), IPC_NOWAIT);
//
// Failures are traced as errors and thrown as ZOR_Exception. The queue is private to its
// owner's user (mode 0600).
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_SHELL_UNIX_SHELLMSGQUEUE_H
#define QIM_SHELL_UNIX_SHELLMSGQUEUE_H

#include <sys/types.h>

class UNIX_ShellMsgQueue {
public:
    /// Opens the existing queue with this key; never creates one, never removes it.
    explicit UNIX_ShellMsgQueue(int key);
    /// With `id` 0 creates a new queue for a key made from `path` and the first free
    /// identifier 1..255; otherwise opens the existing queue of ftok(path, id). Either
    /// way the object owns the queue and removes it when destroyed.
    UNIX_ShellMsgQueue(const char* path, unsigned char id);
    ~UNIX_ShellMsgQueue();

    UNIX_ShellMsgQueue(const UNIX_ShellMsgQueue&) = delete;
    UNIX_ShellMsgQueue& operator=(const UNIX_ShellMsgQueue&) = delete;

    /// key = ftok(path, id); throws when ftok fails.
    void make_key(const char* path, unsigned char id);
    /// qid = the existing queue of key; throws when there is none or it cannot be opened.
    void open_queue();

    /// The queue identifier, for ShellMsg::send and ShellMsg::receive.
    int id() const { return _qid; }
    /// The queue's key, which the master hands to the shell.
    key_t key() const { return _key; }

private:
    void createQueue(const char* path);
    /// One pass over the identifiers 1..255; true when a queue was created.
    bool createWithFirstFreeIdentifier(const char* path);
    /// Removes the queues of every identifier of `path` that this user can open.
    void deleteQueuesOfPath(const char* path);

    int _qid;   ///< from msgget; -1 after a failed msgget
    key_t _key; ///< the queue's key
    int _owner; ///< nonzero: the destructor removes the queue
};

#endif
