//===- tests/shell/ShellTraceFileSafetyTest.cpp - Links at the shell's trace file names ---===//
//
// With a trace directory, the shell's parent and its child each open "<pid>.trc" there, and
// the shell may run with more privileges than whoever can write that directory. A symbolic
// link planted at either name (before the process opens it: PlantedTraceFile.cpp, preloaded
// into the shell, plants for the parent before main and for the child right after the
// fork) must neither empty its target nor create it, and the launch must go on as with a
// trace that cannot be opened.
//
//===----------------------------------------------------------------------------===//
#include "shell/UNIX_ShellMsgQueue.h"
#include "tests/shell/ShellHarness.h"
#include "tests/shell/TracedRecords.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string victimContent = "the victim's own content\n";

struct PlantCase {
    const char* name;
    bool forParent;        ///< the link is at the parent's name, else at the child's
    bool toAnExistingFile; ///< the link points to a victim, else to a name that does not exist
};

void PrintTo(const PlantCase& value, std::ostream* out) {
    *out << value.name;
}

std::string caseName(const ::testing::TestParamInfo<PlantCase>& info) {
    return info.param.name;
}

class ShellTraceFileSafetyTest : public ::testing::TestWithParam<PlantCase> {};

TEST_P(ShellTraceFileSafetyTest, PlantedLinkIsNotFollowedAndTheLaunchGoesOn) {
    const PlantCase& c = GetParam();
    qimtest::TemporaryDirectory directory;
    const std::string traces = directory.file("traces");
    const std::string elsewhere = directory.file("elsewhere");
    fs::create_directory(traces);
    fs::create_directory(elsewhere);
    const std::string target = elsewhere + "/target";
    if (c.toAnExistingFile)
        std::ofstream(target, std::ios::binary) << victimContent;
    const std::string keyFile = directory.file("key");
    qimtest::touch(keyFile);
    UNIX_ShellMsgQueue queue(keyFile.c_str(), 0);
    qimtest::StandInMaster master;
    const std::string masterPid = std::to_string(master.pid());
    const std::string report = directory.file("report");
    qimtest::ShellRun shell(
        qimtest::shellArguments(queue.key(), master.pid(), 0, {}, {QIM_DEBUGGEE_PROBE, report}),
        {"QIM_DBG_TRACE=" + traces + ",vek",
         std::string("LD_PRELOAD=") + QIM_PLANTED_TRACE_FILE_LIBRARY,
         // the sanitizer build's runtime must come first otherwise
         "ASAN_OPTIONS=verify_asan_link_order=0", "QIMTEST_PLANT_DIR=" + traces,
         "QIMTEST_PLANT_KIND=symlink", "QIMTEST_PLANT_TARGET=" + target,
         std::string("QIMTEST_PLANT_FOR=") + (c.forParent ? "self" : "child")},
        directory.path());

    const std::unique_ptr<ShellMsg> flag = qimtest::awaitRecord(queue.id());
    ASSERT_TRUE(flag && flag->type() == SHELL_MSG_FLAG);
    const std::unique_ptr<ShellMsg> pid = qimtest::awaitRecord(queue.id());
    ASSERT_TRUE(pid && pid->type() == SHELL_MSG_INT);
    const pid_t child = pid->intValue();
    ASSERT_EQ(kill(child, SIGFPE), 0);
    EXPECT_TRUE(qimtest::awaitFile(report)) << "the debuggee did not run";
    master.end();
    ASSERT_TRUE(shell.waitForEnd());
    EXPECT_EQ(shell.exitCode(), 0) << "status 86: the plant failed; " << shell.err();
    const int childStatus = shell.awaitOrphanedChild();
    EXPECT_TRUE(WIFEXITED(childStatus) && WEXITSTATUS(childStatus) == 0) << childStatus;
    EXPECT_EQ(shell.out() + shell.err(), "");

    if (c.toAnExistingFile)
        EXPECT_EQ(qimtest::readFile(target), victimContent);
    else
        EXPECT_FALSE(fs::exists(fs::symlink_status(target))) << "created through the link";
    const std::string parentTrace = traces + "/" + std::to_string(shell.pid()) + ".trc";
    const std::string childTrace = traces + "/" + std::to_string(child) + ".trc";
    const std::string planted = c.forParent ? parentTrace : childTrace;
    ASSERT_TRUE(fs::is_symlink(planted));
    EXPECT_EQ(fs::read_symlink(planted), target);
    if (c.forParent) {
        // A child inherits the failed trace of its parent and opens nothing of its own.
        EXPECT_EQ(std::distance(fs::directory_iterator(traces), fs::directory_iterator()), 1);
    } else {
        // The parent's own trace is written to its end.
        const Lines parent = qimtest::recordTextsOfFile(parentTrace, "VEK");
        EXPECT_THAT(parent,
                    testing::Contains("Sending the debuggee pid (" + std::to_string(child) + ")"));
        ASSERT_FALSE(parent.empty());
        EXPECT_EQ(parent.back(), "Process " + masterPid + " is no longer available");
    }
}

INSTANTIATE_TEST_SUITE_P(EachName, ShellTraceFileSafetyTest,
                         ::testing::Values(PlantCase{"ParentsNameLinkedToAVictim", true, true},
                                           PlantCase{"ParentsNameLinkedToNothing", true, false},
                                           PlantCase{"ChildsNameLinkedToAVictim", false, true},
                                           PlantCase{"ChildsNameLinkedToNothing", false, false}),
                         caseName);

} // namespace
