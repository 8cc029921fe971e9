//===- tests/tools/qimmaster/MasterFaultTest.cpp - qimmaster killed mid-launch ---===//
//
// Runs the real qimmaster, in a process group of its own, and kills it with SIGKILL at a
// step of the launch that the test can hold it at, leaving it no chance to clean up. The
// shell must end by itself, its child must not wait for good, and the queue must not
// outlive the launch once qimmaster has read the pid record. The test process adopts the
// orphans, so it sees how each of them ended, and removes whatever is left.
//
//===----------------------------------------------------------------------------===//
#include "tests/shell/ShellHarness.h"
#include "tests/support/MessageQueues.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/tools/qimmaster/MasterRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>

namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;
// Killed while it waits for the flag record (the shell waits for enter, flag 8): the shell,
// let go afterwards, finds the queue still there and sends both records, which nobody
// reads; the parent sees its master gone and ends with 0, and the child, never started,
// ends with 98. The queue remains: qimmaster died before it could remove it, and the shell
// leaves the queues it opens by key to their creator. The test removes it.
TEST(MasterFaultTest, KilledBeforeTheFlagRecordLeavesItsQueueButNoProcess) {
    qimtest::TemporaryDirectory directory;
    qimtest::Gate enter(directory.file("enter"));
    qimtest::ShellRun master({"--timeline", "--flags", "8", "--", "/bin/true"},
                             qimtest::plainEnvironment(), directory.path(), QIM_MASTER_PROGRAM,
                             enter.path());
    ASSERT_TRUE(qimtest::awaitText(directory.file("shell.out"), "Press enter when ready"));
    ASSERT_TRUE(qimtest::awaitText(directory.file("shell.err"), " started"));
    const qimtest::LaunchLeftovers leftovers(master.err());
    ASSERT_GT(leftovers.shell(), 0);
    ASSERT_EQ(kill(master.pid(), SIGKILL), 0);
    ASSERT_TRUE(master.waitForEnd());
    EXPECT_EQ(master.signal(), SIGKILL);
    enter.release();

    const std::unique_ptr<ShellMsg> flag = qimtest::awaitRecord(leftovers.queueId());
    EXPECT_TRUE(flag && flag->type() == SHELL_MSG_FLAG && flag->flag() == 1);
    const std::unique_ptr<ShellMsg> pid = qimtest::awaitRecord(leftovers.queueId());
    ASSERT_TRUE(pid && pid->type() == SHELL_MSG_INT && pid->intValue() > 0);
    EXPECT_TRUE(qimtest::exitedWith(qimtest::awaitEnd(leftovers.shell()), 0));
    const int childStatus = qimtest::awaitEnd(pid->intValue());
    EXPECT_TRUE(qimtest::exitedWith(childStatus, 98)) << "wait status " << childStatus;
    EXPECT_TRUE(master.leftNothingBehind());
    EXPECT_TRUE(qimtest::queueExists(leftovers.queueId()));
}

// Killed once the program runs (the program itself kills it): the debuggee dies with its
// tracer, the shell notices within about a second and ends with 0, and the queue is gone
// already, removed as soon as the pid record was read.
TEST(MasterFaultTest, KilledAfterTheStartSignalLeavesNothing) {
    qimtest::TemporaryDirectory directory;
    // The program's parent is the shell, whose parent is qimmaster.
    const std::string script = "read -r pid name state master rest < /proc/$PPID/stat; "
                               "kill -KILL $master; exec sleep 60";
    qimtest::ShellRun master({"--timeline", "--", "/bin/sh", "-c", script},
                             qimtest::plainEnvironment(), directory.path(), QIM_MASTER_PROGRAM);
    ASSERT_TRUE(master.waitForEnd());
    EXPECT_EQ(master.signal(), SIGKILL);
    const qimtest::LaunchLeftovers leftovers(master.err());
    EXPECT_THAT(qimtest::timelineSteps(master.err()),
                ElementsAre("queue created (key N, id N)", "shell N started",
                            "flag record received", "pid record received: process N",
                            "queue N removed", "process N seized", "start signal sent to N",
                            StartsWith("exec of ")));
    EXPECT_FALSE(qimtest::queueExists(leftovers.queueId())) << "the queue outlived qimmaster";
    EXPECT_TRUE(qimtest::exitedWith(qimtest::awaitEnd(leftovers.shell()), 0));
    const int debuggeeStatus = qimtest::awaitEnd(leftovers.debuggee());
    EXPECT_TRUE(qimtest::killedBy(debuggeeStatus, SIGKILL)) << "wait status " << debuggeeStatus;
    EXPECT_TRUE(master.leftNothingBehind());
}

} // namespace
