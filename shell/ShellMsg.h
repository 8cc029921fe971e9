//===- shell/ShellMsg.h - Records between the shell and the master -*- C++ -*-===//
//
// The shell and the master exchange short records over a System V message queue. A record
// is laid out as the message buffer that msgsnd and msgrcv take: the message type (the
// platform's `long`) followed by 100 bytes of zero-terminated text. Three kinds are in use:
//
//   type 1, ShellIntMsg       one integer in decimal ("4711")
//   type 2, ShellIntPairMsg   two integers with one blank between ("12 34")
//   type 3, ShellFlagMsg      one raw flag byte and a zero byte
//
// Only the text and its terminating zero byte travel. The shell sends a flag record and
// then the debuggee's process id; the master reads them:
//
//   std::unique_ptr<ShellMsg> record = ShellMsg::receive(queue.id(), 0);
//   if (record && record->type() == SHELL_MSG_INT) pid = record->intValue();
//
// A received text comes from another process and need not be terminated: every reader
// stops at the end of the 100 bytes.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_SHELL_SHELLMSG_H
#define QIM_SHELL_SHELLMSG_H

#include <cstddef>
#include <memory>

/// The record types in use.
enum ShellMsgType {
    SHELL_MSG_INT = 1,      ///< one integer
    SHELL_MSG_INT_PAIR = 2, ///< two integers
    SHELL_MSG_FLAG = 3      ///< one flag byte
};

class ShellMsg {
public:
    /// The number of text bytes in a record, terminating zero included.
    static constexpr std::size_t textCapacity = 100;

    /// Type 0, empty text.
    ShellMsg();
    /// The given type with the text "0".
    explicit ShellMsg(int type);
    /// The given type with `value` in decimal.
    ShellMsg(int type, int value);
    /// The given type with the two values in decimal, one blank between.
    ShellMsg(int type, int first, int second);
    /// The given type with the text byte `flag` (an empty text when the flag is 0).
    ShellMsg(int type, unsigned char flag);

    /// The type when it is 1, 2 or 3; otherwise 0.
    int type() const;
    /// For a type 3 record its flag byte; 1 for every other type.
    int flag() const;
    /// For type 1 or 2, the first integer of the text; otherwise, or when the text holds
    /// none, -1.
    int intValue() const;
    /// For type 2, the second integer of the text; otherwise, or when the text does not
    /// hold two, -1.
    int secondValue() const;
    /// The size that travels: the text and its terminating zero, at most the whole text.
    std::size_t textSize() const;

    /// Sends the record on queue `qid` with msgsnd `flags`; 0, or -1 with errno set.
    int send(int qid, int flags) const;
    /// The first message of any type from queue `qid` (msgrcv `flags`), or null with errno
    /// set when none was received. A message of more than 100 text bytes stays on the queue.
    static std::unique_ptr<ShellMsg> receive(int qid, int flags);

private:
    void writeText(const char* format, ...) __attribute__((format(printf, 2, 3)));
    /// Reads up to two integers from a terminated copy of the text; the number read.
    int readIntegers(int& first, int& second) const;

    long _type;               ///< the kernel's message type field
    char _text[textCapacity]; ///< the payload, zero-terminated by its sender
};

/// A record carrying one integer, such as the debuggee's process id.
class ShellIntMsg : public ShellMsg {
public:
    explicit ShellIntMsg(int value) : ShellMsg(SHELL_MSG_INT, value) {}
};

/// A record carrying two integers.
class ShellIntPairMsg : public ShellMsg {
public:
    ShellIntPairMsg(int first, int second) : ShellMsg(SHELL_MSG_INT_PAIR, first, second) {}
};

/// A record carrying one flag byte.
class ShellFlagMsg : public ShellMsg {
public:
    explicit ShellFlagMsg(unsigned char flag) : ShellMsg(SHELL_MSG_FLAG, flag) {}
};

#endif
