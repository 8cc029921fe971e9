//===- tests/shell/ShellQueuePrivacyTest.cpp - The master's queue is its own ---===//
//
// The queue that the creating constructor makes (the master's, in qimmaster) carries the
// process id that the master takes control of: another user who could write to it could
// make the master take over a process of the user's choosing, and one who could read it
// could steal the records. The queue belongs to its creator, mode 0600, and another user
// can neither open it as the shell does nor use it in any way.
//
//===----------------------------------------------------------------------------===//
#include "shell/ShellMsg.h"
#include "shell/UNIX_ShellMsgQueue.h"
#include "tests/support/QueuePrivacy.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/msg.h>

namespace {

class ShellQueuePrivacyTest : public ::testing::Test {
protected:
    ShellQueuePrivacyTest() { std::ofstream{keyFile()}; }
    std::string keyFile() const { return _directory.file("key"); }

    qimtest::TemporaryDirectory _directory;
};

TEST_F(ShellQueuePrivacyTest, CreatedQueueIsItsCreatorsAlone) {
    const UNIX_ShellMsgQueue queue(keyFile().c_str(), 0);
    EXPECT_EQ(qimtest::ownership(queue.id()), qimtest::ownedByThisProcess());
}

// Run as root, the test can be another user in a child; the queue's own records stay
// where they are.
TEST_F(ShellQueuePrivacyTest, AnotherUserCannotOpenReadWriteOrRemoveTheQueue) {
    if (geteuid() != 0)
        GTEST_SKIP() << qimtest::noOtherUserHere();
    const UNIX_ShellMsgQueue queue(keyFile().c_str(), 0);
    ASSERT_EQ(ShellIntMsg(4711).send(queue.id(), IPC_NOWAIT), 0);
    EXPECT_EQ(qimtest::accessByAnotherUser(queue.key()), qimtest::refusedToAnotherUser);
    const std::unique_ptr<ShellMsg> record = ShellMsg::receive(queue.id(), IPC_NOWAIT);
    ASSERT_TRUE(record != nullptr) << "the record was taken";
    EXPECT_EQ(record->intValue(), 4711);
    EXPECT_EQ(ShellMsg::receive(queue.id(), IPC_NOWAIT), nullptr) << "a record was added";
}

// The same attempts against a queue open to everybody all succeed (removal is the
// owner's even then): what the test above sees is the queue's privacy, not a failed probe.
TEST_F(ShellQueuePrivacyTest, AQueueOpenToAllIsSeenAsOpen) {
    if (geteuid() != 0)
        GTEST_SKIP() << qimtest::noOtherUserHere();
    struct OpenQueue {
        const key_t key;
        const int qid = msgget(key, IPC_CREAT | IPC_EXCL | 0666);
        ~OpenQueue() { msgctl(qid, IPC_RMID, nullptr); }
    } open{ftok(keyFile().c_str(), 200)};
    ASSERT_NE(open.qid, -1);
    EXPECT_EQ(qimtest::accessByAnotherUser(open.key),
              "open=ok attach=ok send=ok receive=ok status=ok remove=EPERM");
}

} // namespace
