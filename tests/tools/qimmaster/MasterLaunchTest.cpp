//===- tests/tools/qimmaster/MasterLaunchTest.cpp - Launches through the real shell ---===//
//
// Runs the real qimmaster, which starts the real qimshell and the program: real queues,
// real signals, real ptrace. Every run with --timeline is followed by a check that the
// queue, the shell and the debuggee are gone, and by the clean-up of any that are not.
//
//===----------------------------------------------------------------------------===//
#include "tests/support/StalledStandardInput.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"
#include "tests/tools/qimmaster/MasterRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <link.h>

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

/// Longer than any launch here may take, however loaded the machine, and shorter than the
/// waits whose absence the tests check.
constexpr std::chrono::seconds generousBound{30};

std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? resolved : path;
}

ElfW(Ehdr) elfHeader(const std::string& path) {
    ElfW(Ehdr) header{};
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(&header), sizeof header);
    return header;
}

void writeExecutable(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// The whole handshake in its order, the program's output passed through untouched, and
// nothing left once qimmaster has returned.
TEST(MasterLaunchTest, HandshakeRunsInOrderAndLeavesNothingBehind) {
    const qimtest::ChildResult result =
        qimtest::runMaster({"--timeline", "--", "/bin/echo", "hello"});
    qimtest::LaunchLeftovers leftovers(result.err);
    EXPECT_EQ(result.exitCode(), 0) << result.err;
    EXPECT_EQ(result.out, "hello\n");
    EXPECT_THAT(qimtest::timelineSteps(result.err),
                ElementsAre("queue created (key N, id N)", "shell N started",
                            "flag record received", "pid record received: process N",
                            "queue N removed", "process N seized", "start signal sent to N",
                            "exec of " + realPath("/bin/echo") + " seen",
                            "process N exited with status N", "shell N ended"));
    leftovers.expectNoneRemain();
}

// The debuggee's end is qimmaster's exit status. A signal the program sends itself is
// passed on to it: swallowed, the shell would go on and exit with 0.
TEST(MasterLaunchTest, ProgramsExitStatusOrKillingSignalBecomesTheStatus) {
    const struct {
        const char* script;
        int status;
    } cases[] = {{"exit 0", 0},
                 {"exit 7", 7},
                 {"kill -SEGV $$", 128 + SIGSEGV},
                 {"kill -TERM $$", 128 + SIGTERM}};
    for (const auto& c : cases) {
        const qimtest::ChildResult result =
            qimtest::runMaster({"--timeline", "--", "/bin/sh", "-c", c.script});
        qimtest::LaunchLeftovers leftovers(result.err);
        EXPECT_EQ(result.exitCode(), c.status) << c.script << "\n" << result.err;
        leftovers.expectNoneRemain();
    }
}

// At the exec stop the new image is the program, its entry is the ELF header's entry
// (moved by whole pages when it is position independent), and its environment is the
// one the shell prepared: LD_BIND_NOW=YES, the shell's trace setting removed although
// the shell itself used it, everything else inherited.
TEST(MasterLaunchTest, StopAtEntryReportsTheImageAsTheShellPreparedIt) {
    qimtest::TemporaryDirectory directory;
    const std::string trace = directory.file("shell.trc");
    const qimtest::ChildResult result = qimtest::runMaster(
        {"--stop-at-entry", "--", "/bin/echo", "x"},
        {"PATH=/usr/bin:/bin", "QIM_DBG_TRACE=" + trace + ",vek", "QIMTEST_MARK=inherited"});
    ASSERT_EQ(result.exitCode(), 0) << result.err;

    const Lines image = qimtest::masterLines(result.err, "  image ");
    ASSERT_THAT(image, ElementsAre(realPath("/bin/echo")));
    const Lines entry = qimtest::masterLines(result.err, "  entry 0x");
    ASSERT_EQ(entry.size(), 1u) << result.err;
    const unsigned long long reported = std::stoull(entry[0], nullptr, 16);
    const ElfW(Ehdr) header = elfHeader(image[0]);
    if (header.e_type == ET_DYN)
        EXPECT_EQ(reported & 0xfff, header.e_entry & 0xfff) << "not the program's entry";
    else
        EXPECT_EQ(reported, header.e_entry);

    const Lines environment = qimtest::masterLines(result.err, "  environment ");
    EXPECT_THAT(environment, Contains("LD_BIND_NOW=YES"));
    EXPECT_THAT(environment, Contains("QIMTEST_MARK=inherited"));
    EXPECT_THAT(environment, Not(Contains(StartsWith("QIM_DBG_TRACE="))));
    EXPECT_THAT(qimtest::readFile(trace), HasSubstr("**VEK:")) << "the shell did not trace";
}

// -LD_LIBRARY_PATH and -NLSPATH go to the shell only when the options are given; then
// they replace what the program would inherit, otherwise it inherits unchanged.
TEST(MasterLaunchTest, LibraryAndCatalogPathsReachTheProgramOnlyWhenGiven) {
    const Lines given = {"--ld-library-path", "/opt/qimtest/lib", "--nlspath=/opt/qimtest/%N"};
    const struct {
        const char* name;
        Lines options;
        Lines environment;
        Lines expected;
        Lines absent;
    } cases[] = {
        {"given", given, {}, {"LD_LIBRARY_PATH=/opt/qimtest/lib", "NLSPATH=/opt/qimtest/%N"}, {}},
        {"not given", {}, {}, {}, {"LD_LIBRARY_PATH=", "NLSPATH="}},
        {"inherited",
         {},
         {"LD_LIBRARY_PATH=/inherited", "NLSPATH=/inherited/%N"},
         {"LD_LIBRARY_PATH=/inherited", "NLSPATH=/inherited/%N"},
         {}},
        {"replacing",
         given,
         {"LD_LIBRARY_PATH=/inherited", "NLSPATH=/inherited/%N"},
         {"LD_LIBRARY_PATH=/opt/qimtest/lib", "NLSPATH=/opt/qimtest/%N"},
         {"=/inherited"}},
    };
    for (const auto& c : cases) {
        Lines arguments = c.options;
        arguments.insert(arguments.end(), {"--", "/usr/bin/env"});
        Lines environment = qimtest::plainEnvironment();
        environment.insert(environment.end(), c.environment.begin(), c.environment.end());
        const qimtest::ChildResult result = qimtest::runMaster(arguments, environment);
        ASSERT_EQ(result.exitCode(), 0) << c.name << "\n" << result.err;
        const Lines printed = qimtest::splitLines(result.out);
        for (const std::string& entry : c.expected)
            EXPECT_THAT(printed, Contains(entry)) << c.name;
        for (const std::string& text : c.absent)
            EXPECT_THAT(printed, Not(Contains(HasSubstr(text)))) << c.name;
    }
}

// A program that cannot be executed: the shell's child says so on standard output and
// exits with 99 before any exec; qimmaster must tell that apart from a launch fault.
TEST(MasterLaunchTest, MissingProgramShowsTheExecMessageAndExits127) {
    // Here the shell's own code exits while traced, and a sanitizer build's leak check
    // cannot run under ptrace: it would turn the 99 into a failure of its own.
    Lines environment = qimtest::plainEnvironment();
    environment.push_back("ASAN_OPTIONS=detect_leaks=0");
    const qimtest::ChildResult result = qimtest::runMaster(
        {"--timeline", "--", "/nonexistent/qimtest-program", "argument"}, environment);
    qimtest::LaunchLeftovers leftovers(result.err);
    EXPECT_EQ(result.exitCode(), 127) << result.err;
    EXPECT_EQ(result.out, "The load of program /nonexistent/qimtest-program failed because the "
                          "exec() function failed.  The error code is 2.\n");
    EXPECT_THAT(result.err, HasSubstr("/nonexistent/qimtest-program could not be started"));
    leftovers.expectNoneRemain();
}

// Untraced, qimmaster starts the program, returns only once it is gone, and cannot know
// its status.
TEST(MasterLaunchTest, UntracedRunWaitsForTheProgramAndCallsItsStatusUnknown) {
    qimtest::TemporaryDirectory directory;
    const std::string finished = directory.file("finished");
    // The program's output goes elsewhere, so that only qimmaster's end ends the capture.
    const std::string script =
        "exec >/dev/null 2>&1; sleep 0.2; echo done > " + finished + "; exit 3";
    const qimtest::ChildResult result =
        qimtest::runMaster({"--no-ptrace", "--timeline", "--", "/bin/sh", "-c", script});
    qimtest::LaunchLeftovers leftovers(result.err);
    EXPECT_EQ(result.exitCode(), 0) << result.err;
    EXPECT_THAT(result.err, HasSubstr("its exit status is unknown without tracing"));
    EXPECT_THAT(qimtest::timelineSteps(result.err), Not(Contains("process N seized")));
    EXPECT_EQ(qimtest::readFile(finished), "done\n") << "qimmaster ended before the program";
    leftovers.expectNoneRemain();
}

// With -FLAGS 8 the shell waits for a line on its standard input before it does anything;
// none comes, so the flag record never does. The limit must end the launch, and the
// shell that is still waiting must be ended with it.
TEST(MasterLaunchTest, HandshakeTimeoutEndsTheLaunchAndTheWaitingShell) {
    qimtest::StalledStandardInput stalled;
    const Clock::time_point start = Clock::now();
    const qimtest::ChildResult result =
        qimtest::runMaster({"--timeline", "--flags", "8", "--timeout", "0.3", "--", "/bin/true"});
    const Clock::duration elapsed = Clock::now() - start;
    qimtest::LaunchLeftovers leftovers(result.err);
    EXPECT_EQ(result.exitCode(), 125) << result.err;
    EXPECT_THAT(result.out, HasSubstr("Press enter when ready")) << "the shell did not wait";
    EXPECT_THAT(result.err, HasSubstr("no flag record"));
    EXPECT_GE(elapsed, std::chrono::milliseconds(300)) << "gave up before the limit";
    EXPECT_LT(elapsed, std::chrono::seconds(9)) << "waited for the default limit instead";
    leftovers.expectNoneRemain();
}

// A shell that ends or cannot be started before its records: qimmaster must see it at
// once, say how the shell ended, and not sit out the limit. The shells here stand in for
// qimshell beside a copy of qimmaster.
TEST(MasterLaunchTest, ShellFailingBeforeItsRecordsEndsTheLaunchAtOnce) {
    const struct {
        const char* name;
        const char* shell; ///< the stand-in's script; null: no shell at all
        const char* reported;
    } cases[] = {
        {"refusing", "#!/bin/sh\nexit 255\n",
         "exited with status 255 before the flag record (type 3, flag 1): it rejected its "
         "command line or could not use the queue (run with QIM_DBG_TRACE=stderr,vek"},
        {"killed", "#!/bin/sh\nkill -KILL $$\n", "was killed by signal 9"},
        {"missing", nullptr, "cannot start the shell"},
    };
    for (const auto& c : cases) {
        qimtest::TemporaryDirectory directory;
        const std::string master = directory.file("qimmaster");
        std::filesystem::copy_file(QIM_MASTER_PROGRAM, master);
        if (c.shell != nullptr)
            writeExecutable(directory.file("qimshell"), c.shell);
        const Clock::time_point start = Clock::now();
        const qimtest::ChildResult result =
            qimtest::runMaster({"--timeline", "--timeout", "60", "--", "/bin/true"},
                               qimtest::plainEnvironment(), master);
        qimtest::LaunchLeftovers leftovers(result.err);
        EXPECT_EQ(result.exitCode(), 125) << c.name << "\n" << result.err;
        EXPECT_THAT(result.err, HasSubstr(c.reported)) << c.name;
        EXPECT_LT(Clock::now() - start, generousBound) << c.name << ": sat out the limit";
        EXPECT_FALSE(qimtest::queueExists(leftovers.queueId())) << c.name;
    }
}

// SIGTERM while the program runs ends the launch as a failure would: the debuggee is
// killed, the shell ended and reaped, the queue removed, and the status is 128 + 15. The
// program itself asks for it: its parent is the shell, whose parent is qimmaster.
TEST(MasterLaunchTest, TerminationRequestKillsTheProgramAndCleansUp) {
    const std::string script = "read -r pid name state master rest < /proc/$PPID/stat; "
                               "kill -TERM $master; exec sleep 60";
    const Clock::time_point start = Clock::now();
    const qimtest::ChildResult result =
        qimtest::runMaster({"--timeline", "--", "/bin/sh", "-c", script});
    qimtest::LaunchLeftovers leftovers(result.err);
    EXPECT_EQ(result.exitCode(), 128 + SIGTERM) << result.err;
    EXPECT_THAT(result.err, HasSubstr("ended by signal 15"));
    EXPECT_LT(Clock::now() - start, generousBound) << "the program was not killed";
    leftovers.expectNoneRemain();
}

// Bad command lines fail before anything starts, with the usage line on standard error;
// --help is not an error and goes to standard output.
TEST(MasterLaunchTest, UsageErrorsExit125AndHelpExits0) {
    for (const Lines& arguments : {Lines{"--bogus", "--", "/bin/true"},
                                   Lines{"--timeout", "0", "--", "/bin/true"}, Lines{}}) {
        const qimtest::ChildResult result = qimtest::runMaster(arguments);
        EXPECT_EQ(result.exitCode(), 125);
        EXPECT_THAT(result.err, HasSubstr("usage: qimmaster [options] -- program [args...]"));
        EXPECT_EQ(result.out, "");
    }
    const qimtest::ChildResult help = qimtest::runMaster({"--help"});
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_THAT(help.out, HasSubstr("Exit status:"));
    EXPECT_EQ(help.err, "");
}

} // namespace
