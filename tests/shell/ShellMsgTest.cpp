//===- tests/shell/ShellMsgTest.cpp - Records between the shell and the master ---===//
//
// Records go through a real private queue, so that the sizes the kernel sees and the
// bytes that arrive are what a master receives.
//
//===----------------------------------------------------------------------------===//
#include "shell/ShellMsg.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/ipc.h>
#include <sys/msg.h>

namespace {

/// A queue of the test's own, removed when the test ends.
class PrivateQueue {
public:
    PrivateQueue() : _qid(msgget(IPC_PRIVATE, 0600)) {}
    ~PrivateQueue() { msgctl(_qid, IPC_RMID, nullptr); }
    int id() const { return _qid; }

private:
    int _qid;
};

/// A message as the kernel holds it: a type and up to 200 bytes.
struct RawMessage {
    long type;
    char text[200];
};

/// Receives the next message raw and returns its text bytes exactly as they travelled.
std::string receiveRaw(int qid, long* type = nullptr) {
    RawMessage message{};
    const ssize_t count = msgrcv(qid, &message, sizeof message.text, 0, IPC_NOWAIT);
    if (type)
        *type = message.type;
    return count < 0 ? std::string("<none>") : std::string(message.text, count);
}

void sendRaw(int qid, long type, const std::string& text) {
    RawMessage message{};
    message.type = type;
    std::memcpy(message.text, text.data(), text.size());
    ASSERT_EQ(msgsnd(qid, &message, text.size(), IPC_NOWAIT), 0) << std::strerror(errno);
}

// Only the text and its zero byte travel: a size counted from the whole record, or
// without the zero, would show here.
TEST(ShellMsgTest, EachKindTravelsAsItsTextAndOneZeroByte) {
    PrivateQueue queue;
    ASSERT_NE(queue.id(), -1);
    struct Case {
        ShellMsg record;
        long type;
        std::string bytes;
    } cases[] = {
        {ShellIntMsg(4711), 1, std::string("4711\0", 5)},
        {ShellIntMsg(-12), 1, std::string("-12\0", 4)},
        {ShellIntPairMsg(12, 34), 2, std::string("12 34\0", 6)},
        {ShellFlagMsg(1), 3, std::string("\x01\0", 2)},
        {ShellFlagMsg(0), 3, std::string("\0", 1)},
        {ShellFlagMsg(0xFF), 3, std::string("\xFF\0", 2)},
        {ShellMsg(2), 2, std::string("0\0", 2)},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.record.send(queue.id(), IPC_NOWAIT), 0) << std::strerror(errno);
        long type = 0;
        EXPECT_EQ(receiveRaw(queue.id(), &type), c.bytes);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(c.record.textSize(), c.bytes.size());
    }
}

// The accessors tell the kinds apart; a flag byte of 0x80 or more is not a negative flag.
TEST(ShellMsgTest, AccessorsReadEachKindAndRefuseTheOthers) {
    const ShellFlagMsg flag(1);
    EXPECT_EQ(flag.type(), SHELL_MSG_FLAG);
    EXPECT_EQ(flag.flag(), 1);
    EXPECT_EQ(flag.intValue(), -1);
    EXPECT_EQ(ShellFlagMsg(200).flag(), 200);

    const ShellIntMsg single(4711);
    EXPECT_EQ(single.type(), SHELL_MSG_INT);
    EXPECT_EQ(single.flag(), 1);
    EXPECT_EQ(single.intValue(), 4711);
    EXPECT_EQ(single.secondValue(), -1);

    const ShellIntPairMsg pair(12, 34);
    EXPECT_EQ(pair.intValue(), 12);
    EXPECT_EQ(pair.secondValue(), 34);
    EXPECT_EQ(ShellIntPairMsg(-5, -2147483647 - 1).secondValue(), -2147483647 - 1);

    EXPECT_EQ(ShellMsg(7, 99).type(), 0);
    EXPECT_EQ(ShellMsg(7, 99).intValue(), -1);
    EXPECT_EQ(ShellMsg().type(), 0);
}

// Texts written by another program: what "%d" would read, and nothing beyond the record.
TEST(ShellMsgTest, ReceivedTextsAreReadWithinTheRecord) {
    PrivateQueue queue;
    struct Case {
        long type;
        std::string text;
        int first;
        int second;
    } cases[] = {
        {2, std::string("  12\t34\0", 8), 12, 34},
        {2, std::string("12\0", 3), 12, -1},
        {1, std::string("+7 rest\0", 8), 7, -1},
        {1, std::string("x1\0", 3), -1, -1},
        {1, std::string("99999999999\0", 12), -1, -1}, // too large for an int: refused
        {2, std::string(100, '1'), -1, -1},            // no zero byte within the record
        {2, "5" + std::string(98, ' ') + "6", 5, 6},   // the last byte still counts
    };
    for (const Case& c : cases) {
        sendRaw(queue.id(), c.type, c.text);
        const std::unique_ptr<ShellMsg> record = ShellMsg::receive(queue.id(), IPC_NOWAIT);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->intValue(), c.first) << c.text;
        EXPECT_EQ(record->secondValue(), c.second) << c.text;
        EXPECT_LE(record->textSize(), ShellMsg::textCapacity);
    }
}

// A record of 100 text bytes without a zero is sent whole and no further.
TEST(ShellMsgTest, UnterminatedRecordIsSentWithinItsText) {
    PrivateQueue queue;
    sendRaw(queue.id(), 1, std::string(100, '3'));
    const std::unique_ptr<ShellMsg> record = ShellMsg::receive(queue.id(), IPC_NOWAIT);
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->send(queue.id(), IPC_NOWAIT), 0);
    EXPECT_EQ(receiveRaw(queue.id()), std::string(100, '3'));
}

// Records come in the order sent, whatever their type; an empty queue gives null at once.
TEST(ShellMsgTest, ReceiveTakesTheFirstRecordOfAnyType) {
    PrivateQueue queue;
    ShellFlagMsg(1).send(queue.id(), 0);
    ShellIntMsg(42).send(queue.id(), 0);
    const std::unique_ptr<ShellMsg> first = ShellMsg::receive(queue.id(), IPC_NOWAIT);
    const std::unique_ptr<ShellMsg> second = ShellMsg::receive(queue.id(), IPC_NOWAIT);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->type(), SHELL_MSG_FLAG);
    EXPECT_EQ(second->intValue(), 42);
    errno = 0;
    EXPECT_EQ(ShellMsg::receive(queue.id(), IPC_NOWAIT), nullptr);
    EXPECT_EQ(errno, ENOMSG);
}

// A message too long for a record is refused and left on the queue for a reader that can
// take it.
TEST(ShellMsgTest, OverlongMessageIsNotReceivedAndStaysQueued) {
    PrivateQueue queue;
    sendRaw(queue.id(), 1, std::string(101, '9'));
    errno = 0;
    EXPECT_EQ(ShellMsg::receive(queue.id(), IPC_NOWAIT), nullptr);
    EXPECT_EQ(errno, E2BIG);
    EXPECT_EQ(receiveRaw(queue.id()), std::string(101, '9'));
}

// A full queue refuses a record sent without waiting, at once.
TEST(ShellMsgTest, SendToFullQueueFailsWithEagain) {
    PrivateQueue queue;
    const ShellIntMsg record(123456);
    int sent = 0;
    while (record.send(queue.id(), IPC_NOWAIT) == 0)
        ++sent;
    EXPECT_EQ(errno, EAGAIN);
    EXPECT_GT(sent, 0);
}

} // namespace
