//===- tests/shell/UNIX_ShellMsgQueueTest.cpp - The master's message queue ---===//
//
// Real System V queues made from files of a temporary directory, so that the tests'
// keys are their own; every queue a test makes is removed when it ends.
//
//===----------------------------------------------------------------------------===//
#include "shell/UNIX_ShellMsgQueue.h"

#include "shell/ShellMsg.h"
#include "tests/shell/TracedRecords.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/MessageQueues.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"
#include "tests/support/TraceInUse.h"
#include "utilities/diagnostics/ZOR_Exception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sched.h>
#include <string>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <unistd.h>
#include <vector>

namespace {

using qimtest::queueExists;
using ::testing::Contains;
using ::testing::HasSubstr;

/// Sets the queue limit of this process's IPC namespace.
bool writeQueueLimit(int limit) {
    std::FILE* file = std::fopen("/proc/sys/kernel/msgmni", "w");
    if (file == nullptr)
        return false;
    const bool written = std::fprintf(file, "%d\n", limit) > 0;
    return std::fclose(file) == 0 && written;
}

/// Queues the test makes with msgget itself, removed at the end whatever happened.
class RawQueues {
public:
    ~RawQueues() {
        for (int qid : _ids)
            msgctl(qid, IPC_RMID, nullptr);
    }
    int create(key_t key) {
        const int qid = msgget(key, IPC_CREAT | 0600);
        if (qid != -1)
            _ids.push_back(qid);
        return qid;
    }

private:
    std::vector<int> _ids;
};

/// The text of a thrown ZOR_Exception, or "" when nothing was thrown.
template <typename Body>
std::string thrownText(Body body) {
    try {
        body();
    } catch (const ZOR_Exception& error) {
        return error.text().buffer();
    }
    return "";
}

class ShellMsgQueueTest : public ::testing::Test {
protected:
    ShellMsgQueueTest() : _trace(_directory.file("trace") + ",vek") {
        std::ofstream{keyFile()}; // a file of the test's own to make keys from
    }
    std::string keyFile() const { return _directory.file("key"); }
    std::vector<std::string> traced() {
        return qimtest::withoutStamps(qimtest::readLines(_directory.file("trace")));
    }

    qimtest::TemporaryDirectory _directory;
    qimtest::TraceInUse _trace;
    RawQueues _raw;
};

// The shell's side: the master's queue is found by its key and outlives the shell's object.
TEST_F(ShellMsgQueueTest, OpenedByKeyReachesTheQueueAndNeverRemovesIt) {
    const key_t key = ftok(keyFile().c_str(), 9);
    const int qid = _raw.create(key);
    ASSERT_NE(qid, -1);
    {
        UNIX_ShellMsgQueue opened(key);
        EXPECT_EQ(opened.id(), qid);
        EXPECT_EQ(opened.key(), key);
    }
    EXPECT_TRUE(queueExists(qid));
    EXPECT_THAT(traced(),
                Contains(qimtest::isRecord("VEK", "UNIX_ShellMsgQueue::UNIX_ShellMsgQueue",
                                           "Process " + std::to_string(getpid()) +
                                               " opening queue with key " + std::to_string(key))));
}

// A key without a queue is an error the shell reports, traced where it happened.
TEST_F(ShellMsgQueueTest, KeyWithoutQueueThrowsCannotOpen) {
    const key_t key = ftok(keyFile().c_str(), 10);
    EXPECT_EQ(thrownText([&] { UNIX_ShellMsgQueue opened(key); }), "Cannot open message queue");
    EXPECT_THAT(traced(), Contains(qimtest::isRecord(
                              "ERROR", "void UNIX_ShellMsgQueue::open_queue",
                              "Process " + std::to_string(getpid()) +
                                  " cannot open message queue; errno=" + std::to_string(ENOENT))));
}

// Key 0 is IPC_PRIVATE: opening it makes a new queue nobody else can find, and no error.
TEST_F(ShellMsgQueueTest, KeyZeroGivesANewPrivateQueue) {
    int qid = -1;
    {
        UNIX_ShellMsgQueue opened(0);
        qid = opened.id();
    }
    ASSERT_NE(qid, -1);
    EXPECT_TRUE(queueExists(qid)) << "an object opened by key removed the queue";
    msgctl(qid, IPC_RMID, nullptr);
}

// The master's side: a created queue is private to its user and goes with its object, and
// so does one opened by a path and a nonzero identifier.
TEST_F(ShellMsgQueueTest, OwnersRemoveTheirQueues) {
    int created = -1;
    key_t key = -1;
    {
        UNIX_ShellMsgQueue queue(keyFile().c_str(), 0);
        created = queue.id();
        key = queue.key();
        ASSERT_NE(created, -1);
        struct msqid_ds status;
        ASSERT_EQ(msgctl(created, IPC_STAT, &status), 0);
        EXPECT_EQ(status.msg_perm.mode & 0777, 0600u);
        EXPECT_EQ(key, ftok(keyFile().c_str(), 1));
        {
            UNIX_ShellMsgQueue second(keyFile().c_str(), 0);
            EXPECT_EQ(second.key(), ftok(keyFile().c_str(), 2)) << "the next free identifier";
        }
        EXPECT_TRUE(queueExists(created));
    }
    EXPECT_FALSE(queueExists(created));
    EXPECT_THAT(traced(),
                Contains(qimtest::isRecord("VEK", "UNIX_ShellMsgQueue::UNIX_ShellMsgQueue",
                                           "Queue created with key " + std::to_string(key))));

    const int qid = _raw.create(ftok(keyFile().c_str(), 77));
    { UNIX_ShellMsgQueue opened(keyFile().c_str(), 77); }
    EXPECT_FALSE(queueExists(qid));
}

// A path that gives no key ends the creation at once: no other identifier is tried.
TEST_F(ShellMsgQueueTest, PathWithoutKeyThrowsCannotCreateKey) {
    const std::string missing = _directory.file("missing");
    EXPECT_EQ(thrownText([&] { UNIX_ShellMsgQueue queue(missing.c_str(), 0); }),
              "Cannot create IPC key");
    const std::vector<std::string> lines = traced();
    EXPECT_THAT(lines,
                Contains(qimtest::isRecord("ERROR", "void UNIX_ShellMsgQueue::make_key",
                                           "Process " + std::to_string(getpid()) +
                                               " cannot create IPC key; path=\"" + missing +
                                               "\"; id=1; errno=" + std::to_string(ENOENT))));
    EXPECT_EQ(qimtest::recordTexts(lines, "ERROR").size(), 1u);
}

// Queues left behind on every identifier of the path are removed, and the search starts
// again from identifier 1.
TEST_F(ShellMsgQueueTest, AllIdentifiersBusyClearsThemAndCreatesTheFirst) {
    std::vector<int> leftOver;
    for (int id = 1; id <= 255; ++id) {
        leftOver.push_back(_raw.create(ftok(keyFile().c_str(), id)));
        ASSERT_NE(leftOver.back(), -1) << "identifier " << id;
    }
    UNIX_ShellMsgQueue queue(keyFile().c_str(), 0);
    EXPECT_EQ(queue.key(), ftok(keyFile().c_str(), 1));
    for (int qid : leftOver)
        EXPECT_FALSE(queueExists(qid) && qid != queue.id());

    const std::vector<std::string> errors = qimtest::recordTexts(traced(), "ERROR");
    ASSERT_EQ(errors.size(), 256u);
    EXPECT_THAT(errors.front(), HasSubstr("cannot create queue; path = \"" + keyFile() +
                                          "\"; errno=" + std::to_string(EEXIST) +
                                          ".  Will attempt to delete existing queues for this ID"));
    EXPECT_EQ(errors[1], "Deleted queue 1");
    EXPECT_EQ(errors.back(), "Deleted queue 255");
}

// When queues cannot be made at all (the system's limit is reached), the clean-up finds
// nothing to delete on any identifier, and the second pass gives up. Played in a child
// with an IPC namespace of its own, whose queue limit the test can lower.
TEST_F(ShellMsgQueueTest, NoQueueAvailableReportsEachIdentifierAndThrows) {
    const std::string trace = _directory.file("child-trace");
    const qimtest::ChildResult result = qimtest::runInChild([&] {
        if (unshare(CLONE_NEWIPC) != 0 || !writeQueueLimit(1))
            return 77;
        if (msgget(IPC_PRIVATE, 0600) == -1) // takes the one queue there is
            return 3;
        qimtest::TraceInUse childTrace(trace + ",vek");
        const std::string text =
            thrownText([&] { UNIX_ShellMsgQueue queue(keyFile().c_str(), 0); });
        return text == "Cannot create queue" ? 0 : 1;
    });
    if (result.exitCode() == 77)
        GTEST_SKIP() << "no IPC namespace of its own for this test";
    ASSERT_EQ(result.exitCode(), 0) << result.err;

    const std::vector<std::string> errors = qimtest::recordTextsOfFile(trace, "ERROR");
    ASSERT_EQ(errors.size(), 1u + 2u * 255u) << "each identifier: an open error and a report";
    EXPECT_THAT(errors.front(), HasSubstr("errno=" + std::to_string(ENOSPC) + ".  Will attempt"));
    EXPECT_THAT(errors, Contains("Cannot delete queue 1"));
    EXPECT_THAT(errors, Contains("Cannot delete queue 255"));
    EXPECT_THAT(errors, ::testing::Not(Contains(HasSubstr("Deleted queue"))));
}

} // namespace
