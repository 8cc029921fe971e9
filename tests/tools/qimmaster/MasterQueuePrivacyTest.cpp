//===- tests/tools/qimmaster/MasterQueuePrivacyTest.cpp - qimmaster's queue is its own ---===//
//
// The queue that qimmaster hands to the shell, looked at while it exists: a program in the
// shell's place (QueueReportingShell.cpp) reports its ownership and what another user
// meets on it. It belongs to qimmaster's user alone, mode 0600.
//
//===----------------------------------------------------------------------------===//
#include "tests/support/QueuePrivacy.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"
#include "tests/tools/qimmaster/MasterRun.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(MasterQueuePrivacyTest, QueueHandedToTheShellIsQimmastersUsersAlone) {
    qimtest::TemporaryDirectory directory;
    const std::string master = directory.file("qimmaster");
    std::filesystem::copy_file(QIM_MASTER_PROGRAM, master);
    std::filesystem::copy_file(QIM_QUEUE_REPORTING_SHELL, directory.file("qimshell"));
    const std::string report = directory.file("report");
    const qimtest::ChildResult result =
        qimtest::runMaster({"--timeline", "--", "/bin/true"},
                           {"PATH=/usr/bin:/bin", "QIMTEST_QUEUE_REPORT=" + report}, master);
    qimtest::LaunchLeftovers leftovers(result.err);
    EXPECT_EQ(result.exitCode(), 125) << result.err;
    EXPECT_FALSE(qimtest::queueExists(leftovers.queueId()));

    const std::vector<std::string> lines = qimtest::readLines(report);
    ASSERT_EQ(lines.size(), 2u) << "the shell's stand-in did not report";
    EXPECT_EQ(lines[0], qimtest::ownedByThisProcess());
    if (geteuid() != 0)
        GTEST_SKIP() << qimtest::noOtherUserHere();
    EXPECT_EQ(lines[1], qimtest::refusedToAnotherUser);
}

} // namespace
