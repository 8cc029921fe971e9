//===- shell/UNIX_ShellMsgQueue.cpp - The master's message queue ----------===//
#include "shell/UNIX_ShellMsgQueue.h"

#include "shell/ShellTrace.h"
#include "utilities/diagnostics/TraceEntry.h"
#include "utilities/diagnostics/ZOR_Exception.h"

#include <cerrno>
#include <cstring>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <unistd.h>

namespace {

// The places named in trace records and exceptions: the members' signatures.
const char* const openByKeyPlace = "UNIX_ShellMsgQueue::UNIX_ShellMsgQueue(int)";
const char* const createPlace =
    "UNIX_ShellMsgQueue::UNIX_ShellMsgQueue(const char*, unsigned char)";
const char* const makeKeyPlace = "void UNIX_ShellMsgQueue::make_key(const char*, unsigned char)";
const char* const openQueuePlace = "void UNIX_ShellMsgQueue::open_queue()";

/// Read and write for the owner only.
constexpr int ownerOnly = 0600;

void removeQueue(int qid) {
    struct msqid_ds cleared;
    std::memset(&cleared, 0, sizeof cleared);
    msgctl(qid, IPC_RMID, &cleared);
}

} // namespace

UNIX_ShellMsgQueue::UNIX_ShellMsgQueue(int key) : _qid(-1), _key(key), _owner(0) {
    traceVEK(openByKeyPlace, __LINE__, "Process %d opening queue with key %d", getpid(), key);
    open_queue();
}

UNIX_ShellMsgQueue::UNIX_ShellMsgQueue(const char* path, unsigned char id)
    : _qid(-1), _key(-1), _owner(1) {
    if (id == 0) {
        createQueue(path);
        return;
    }
    make_key(path, id);
    open_queue();
}

UNIX_ShellMsgQueue::~UNIX_ShellMsgQueue() {
    if (_owner && _qid != -1)
        removeQueue(_qid);
}

void UNIX_ShellMsgQueue::make_key(const char* path, unsigned char id) {
    _key = ftok(path, id);
    if (_key != -1)
        return;
    traceError(makeKeyPlace, __LINE__,
               "Process %d cannot create IPC key; path=\"%s\"; id=%d; errno=%d", getpid(), path, id,
               errno);
    throw ZOR_Exception(makeKeyPlace, __LINE__, "Cannot create IPC key");
}

void UNIX_ShellMsgQueue::open_queue() {
    _qid = msgget(_key, ownerOnly);
    if (_qid != -1)
        return;
    traceError(openQueuePlace, __LINE__, "Process %d cannot open message queue; errno=%d", getpid(),
               errno);
    throw ZOR_Exception(openQueuePlace, __LINE__, "Cannot open message queue");
}

// Identifiers left taken by queues of earlier runs are cleared once: if every identifier
// of the path is busy, this user's queues on them are removed and the search runs again.
void UNIX_ShellMsgQueue::createQueue(const char* path) {
    if (createWithFirstFreeIdentifier(path))
        return;
    traceError(createPlace, __LINE__,
               "Process %d cannot create queue; path = \"%s\"; errno=%d.  Will attempt to delete "
               "existing queues for this ID",
               getpid(), path, errno);
    deleteQueuesOfPath(path);
    if (createWithFirstFreeIdentifier(path))
        return;
    throw ZOR_Exception(createPlace, __LINE__, "Cannot create queue");
}

bool UNIX_ShellMsgQueue::createWithFirstFreeIdentifier(const char* path) {
    for (unsigned char id = 1; id != 0; ++id) {
        make_key(path, id);
        _qid = msgget(_key, IPC_CREAT | IPC_EXCL | ownerOnly);
        if (_qid != -1) {
            traceVEK(createPlace, __LINE__, "Queue created with key %d", _key);
            return true;
        }
    }
    return false;
}

void UNIX_ShellMsgQueue::deleteQueuesOfPath(const char* path) {
    for (unsigned char id = 1; id != 0; ++id) {
        make_key(path, id); // a path that cannot give a key ends the constructor
        try {
            open_queue();
            removeQueue(_qid);
            traceError(createPlace, __LINE__, "Deleted queue %d", id);
        } catch (...) {
            traceError(createPlace, __LINE__, "Cannot delete queue %d", id);
        }
    }
    _qid = -1;
}
