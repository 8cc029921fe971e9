//===- tests/shell/ShellCommandLineTest.cpp - Rejected command lines ------===//
//
// The shell started with a command line it must reject: it ends with 255 before it forks,
// says nothing on its standard streams, and explains itself only in its trace.
//
//===----------------------------------------------------------------------------===//
#include "tests/shell/TracedRecords.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TemporaryDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

struct RejectedCase {
    const char* label;
    Lines arguments;
    Lines reports; ///< the VEK records after the start-up lines
};

void PrintTo(const RejectedCase& value, std::ostream* out) {
    *out << value.label;
}

class ShellCommandLineTest : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(ShellCommandLineTest, RejectedWith255AndOneTraceLine) {
    const RejectedCase& c = GetParam();
    qimtest::TemporaryDirectory directory;
    const std::string trace = directory.file("trace");
    const qimtest::ChildResult result =
        qimtest::runProgram(QIM_SHELL_PROGRAM, c.arguments, {"QIM_DBG_TRACE=" + trace + ",vek"});
    EXPECT_EQ(result.exitCode(), 255);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");

    const Lines records = qimtest::recordTextsOfFile(trace, "VEK");
    const std::size_t startUp = 2 + 1 + c.arguments.size(); // Starting, Parms:, argv
    ASSERT_GE(records.size(), startUp);
    EXPECT_THAT(records[0], testing::StartsWith("Starting....  pid = "));
    EXPECT_EQ(records[1], "Parms:");
    EXPECT_EQ(records[2], std::string("  ") + QIM_SHELL_PROGRAM);
    for (std::size_t i = 0; i < c.arguments.size(); ++i)
        EXPECT_EQ(records[3 + i], "  " + c.arguments[i]);
    EXPECT_EQ(Lines(records.begin() + startUp, records.end()), c.reports);
}

const std::string missingFlags = "Missing FLAG parm";
const std::string missingDebuggee = "Missing debuggee name";
const std::string missingMaster = "Missing master PID or message Key for running a program";

INSTANTIATE_TEST_SUITE_P(
    Rejected, ShellCommandLineTest,
    ::testing::Values(
        RejectedCase{"NoArguments", {}, {missingFlags}},
        RejectedCase{"FlagsWithTrailingText",
                     {"-FLAGS=8x", "-KEY=1", "-DEBUGGER_PID=1", "--", "p"},
                     {missingFlags}},
        RejectedCase{
            "FlagsInHex", {"-FLAGS=0x8", "-KEY=1", "-DEBUGGER_PID=1", "--", "p"}, {missingFlags}},
        RejectedCase{"FlagsWithoutValue", {"-FLAGS=", "-FLAGS", "--", "p"}, {missingFlags}},
        RejectedCase{"FlagsBeyondInt", {"-FLAGS=99999999999999999999", "--", "p"}, {missingFlags}},
        RejectedCase{"KeywordsNotQuiteRight",
                     {"-flags=8", "-FLAG=8", "-FLAGSX=8", "--x"},
                     {"Parmeter \"-flags=8\" is not recognized",
                      "Parmeter \"-FLAG=8\" is not recognized",
                      "Parmeter \"-FLAGSX=8\" is not recognized",
                      "Parmeter \"--x\" is not recognized", missingFlags}},
        // The checks come in order: the first missing item is the only one reported.
        RejectedCase{"NeitherFlagsNorDebuggee", {"-KEY=1", "-DEBUGGER_PID=1"}, {missingFlags}},
        RejectedCase{"NothingAfterTheEnd",
                     {"-FLAGS=0", "-KEY=1", "-DEBUGGER_PID=1", "--"},
                     {missingDebuggee}},
        RejectedCase{"NoEndOfParameters",
                     {"-FLAGS=0", "-KEY=1", "-DEBUGGER_PID=1", "prog"},
                     {"Parmeter \"prog\" is not recognized", missingDebuggee}},
        RejectedCase{"KeyOnlyAfterTheEnd",
                     {"-FLAGS=0", "-DEBUGGER_PID=1", "--", "prog", "-KEY=5"},
                     {missingMaster}},
        RejectedCase{"NoMasterPid", {"-FLAGS=0", "-KEY=5", "--", "prog"}, {missingMaster}},
        RejectedCase{"MasterPidWithTrailingText",
                     {"-FLAGS=0", "-KEY=5", "-DEBUGGER_PID=5 ", "--", "p"},
                     {missingMaster}}));

// Arguments of any size and any bytes are traced and rejected; nothing overruns.
TEST(ShellCommandLineBadInputTest, HugeArgumentsOfEveryByteAreRejectedCleanly) {
    std::string everyByte;
    for (int byte = 1; byte < 256; ++byte)
        everyByte += static_cast<char>(byte);
    std::string huge;
    while (huge.size() < 120000)
        huge += everyByte;
    qimtest::TemporaryDirectory directory;
    const std::string trace = directory.file("trace");
    const qimtest::ChildResult result = qimtest::runProgram(
        QIM_SHELL_PROGRAM,
        {huge, "-NLSPATH=" + huge, "-FLAGS=" + huge, "-KEY=" + std::string(100000, '9'), "--"},
        {"QIM_DBG_TRACE=" + trace + ",vek"});
    EXPECT_EQ(result.exitCode(), 255);
    EXPECT_EQ(result.signal(), 0);
    EXPECT_THAT(qimtest::recordTextsOfFile(trace, "VEK"), testing::Contains(missingFlags));
}

} // namespace
