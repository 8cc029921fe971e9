//===- tests/utilities/diagnostics/TraceProcessTest.cpp - The trace of a whole process ---===//
//
// Runs a program that traces through the process-wide trace object, with QIM_DBG_TRACE
// and nothing else in its environment, and compares what it writes line by line.
//
//===----------------------------------------------------------------------------===//
#include "tests/support/ChildProcess.h"
#include "tests/support/TextLines.h"
#include "tests/utilities/diagnostics/TraceTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

qimtest::ChildResult runProbe(const char* scenario, const std::vector<std::string>& environment) {
    return qimtest::runProgram(QIM_TRACE_PROBE, {scenario}, environment);
}

// The start of a trace on standard error with the setting "stderr,vek", as a person
// reading it sees it: 49 header lines, then the first record.
TEST(TraceProcessTest, StartedTraceWritesTheHeaderThenEachEnabledRecord) {
    const qimtest::ChildResult result = runProbe("started", {"QIM_DBG_TRACE=stderr,vek"});
    ASSERT_EQ(result.exitCode(), 0) << "a traced call changed errno";
    EXPECT_EQ(result.out, "");

    Lines expected = qimtest::expectedHeaderStart();
    for (const char* setting : {"ADDR = \"\"",
                                "LOCAL_PATH = \"\"",
                                "OVERRIDE = \"\"",
                                "PATH = \"\"",
                                "TARNDUMP = \"\"",
                                "TRACE = \"stderr,vek\"",
                                "PLATFORM_ID = \"0\"",
                                "PORT = \"8001\"",
                                "TAB = \"8\"",
                                "TABGRID = \"8\"",
                                "ALWAYS_FOLLOW_PARENT = \"0\"",
                                "BACKGROUND_READ = \"1\"",
                                "DEEP_STEP_DEBUG = \"0\"",
                                "DISASM_NOHEX = \"0\"",
                                "KERNEL_OVERRIDE = \"0\"",
                                "NOASSERT = \"0\"",
                                "NOSTEP_OVERRIDE = \"0\"",
                                "HIDE_SYSTEM_THREADS = \"1\"",
                                "OLD_USER_INTERFACE = \"0\"",
                                "XWINDOW = \"1\"",
                                "STG_ADDR_NEW = \"1\"",
                                "MULTIPLE_WATCHPOINT = \"0\"",
                                "CONSOLE = \"0\"",
                                "DISPLAY = \"\"",
                                "TRACE_SHELL = \"0\"",
                                "VFORK = \"\"",
                                "FORK = \"\"",
                                "DEBUG_ARANGE = \"0\"",
                                "DEBUG_FRAME = \"1\""})
        expected.push_back(std::string("NO STAMP: ") + setting);
    expected.push_back("");
    // VEK, then ERROR and WARNING, which naming types always brings in; EXCPTN is off.
    expected.push_back("**VEK: UNIX_ShellPgm(12): Starting....  pid = 42");
    expected.push_back("**ERROR: a/b.c(12): x=5");
    expected.push_back("**WARNING: void PoolArea::grow(142): Initial allocation of pool should "
                       "be increased!");

    EXPECT_THAT(qimtest::withTimesReplaced(qimtest::withoutStamps(qimtest::splitLines(result.err))),
                ::testing::ElementsAreArray(expected));
}

TEST(TraceProcessTest, EachDestinationWordAndExclusionReachesTheRightStream) {
    const qimtest::ChildResult out = runProbe("started", {"QIM_DBG_TRACE= stdout , ~ , vek "});
    ASSERT_EQ(out.exitCode(), 0);
    EXPECT_EQ(out.err, "");
    const Lines lines = qimtest::withoutStamps(qimtest::splitLines(out.out));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
              (Lines{"**ERROR: a/b.c(12): x=5",
                     "**WARNING: void PoolArea::grow(142): Initial allocation of pool should be "
                     "increased!",
                     "**EXCPTN: a/b.c: created"}));
}

TEST(TraceProcessTest, NoSettingOrNoStartMeansNoOutput) {
    for (const std::vector<std::string>& environment :
         {std::vector<std::string>{}, {"QIM_DBG_TRACE="}, {"QIM_DBG_TRACE=    "}}) {
        const qimtest::ChildResult result = runProbe("started", environment);
        EXPECT_EQ(result.exitCode(), 0);
        EXPECT_EQ(result.out + result.err, "");
    }
    // Without start() the trace stays idle: records are ignored, whatever is configured.
    const qimtest::ChildResult idle = runProbe("not-started", {"QIM_DBG_TRACE=stderr"});
    EXPECT_EQ(idle.exitCode(), 0);
    EXPECT_EQ(idle.out + idle.err, "");
}

TEST(TraceProcessTest, AnExceptionAnnouncesItsCreation) {
    const qimtest::ChildResult result = runProbe("exception", {"QIM_DBG_TRACE=stderr,excptn"});
    ASSERT_EQ(result.exitCode(), 0);
    const Lines lines = qimtest::withoutStamps(qimtest::splitLines(result.err));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "**EXCPTN: UNIX_ShellMsgQueue::UNIX_ShellMsgQueue(201): "
                            "StdException created;  Text = Cannot create queue");

    const qimtest::ChildResult silent = runProbe("exception", {"QIM_DBG_TRACE=stderr,vek"});
    ASSERT_EQ(silent.exitCode(), 0);
    EXPECT_EQ(silent.err, "") << "EXCPTN is off, so nothing may open the trace";
}

} // namespace
