//===- tests/tools/qimmaster/MasterLaunchTest.cpp - Launches through the real qimmaster ---===//
//
// Each row runs a copy of the real qimmaster, which starts the real qimshell (or a stand-in
// for it) and the program: real queues, signals and ptrace. Queues of earlier runs sit on
// every identifier of the copy's path, and the launch's queue must clear them (every run
// that launches shows its --timeline). A row says how qimmaster ends and what its output
// holds. Afterwards the queue, the shell and the debuggee must be gone; when qimmaster
// itself was killed, the shell must end by itself and the debuggee must die with its
// tracer. Standard input delivers nothing, so a shell that waits for enter waits for good.
//
//===----------------------------------------------------------------------------===//
#include "tests/shell/ShellHarness.h"
#include "tests/support/TemporaryDirectory.h"

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using qimtest::Lines;
using qimtest::operator+;
using Clock = std::chrono::steady_clock;

struct MasterLaunch {
    std::string name;
    Lines arguments;
    Lines environment; ///< besides PATH
    const char* shell; ///< a stand-in script for qimshell ("": none); null: the real one
    std::string status;
    Lines out, err; ///< texts that standard output and error hold; "!" first: do not hold
    int leastMilliseconds;
};

void PrintTo(const MasterLaunch& launch, std::ostream* out) {
    *out << launch.name;
}

/// A program that sends its shell's parent, qimmaster, a signal.
const std::string signalMaster = "read -r pid name state master rest < /proc/$PPID/stat; kill -";

// clang-format off
std::vector<MasterLaunch> launches() {
    const Lines traced = {"] queue created (key ", "] pid record received: process ",
                          " removed\n", " seized\n", "] start signal sent to "};
    std::vector<MasterLaunch> rows = {
        // The whole handshake; the bounds of the option values are accepted.
        {"Handshake", {"--timeline", "--flags=-2147483648", "--timeout=86400", "--", "/bin/echo",
         "hello"}, {}, nullptr, "exit 0", {"hello\n"}, traced + Lines{"echo seen\n",
         "exited with status 0\n"}, 0},
        // The program's end is qimmaster's; a signal the program sends itself reaches it.
        {"ProgramsExitStatus", {"--timeline", "--", "/bin/sh", "-c", "exit 7"}, {}, nullptr,
         "exit 7", {}, {"exited with status 7"}, 0},
        {"ProgramsSignal", {"--timeline", "--", "/bin/sh", "-c", "kill -SEGV $$"}, {}, nullptr,
         "exit 139", {}, {"was killed by signal 11"}, 0},
        // At the exec stop: the image, its entry, the environment as the shell prepared it.
        {"StopAtEntry", {"--stop-at-entry", "--timeline", "--", "/bin/echo", "x"},
         {"QIM_DBG_TRACE=stderr,vek", "QIMTEST_MARK=inherited"}, nullptr, "exit 0", {},
         {"/echo\nqimmaster:   entry 0x", "environment LD_BIND_NOW=YES\n",
          "environment QIMTEST_MARK=inherited\n", "!environment QIM_DBG_TRACE", "**VEK:"}, 0},
        // The paths reach the shell only when given.
        {"PathsGiven", {"--timeline", "--ld-library-path", "/q", "--", "/usr/bin/env"},
         {"NLSPATH=/inherited/%N"}, nullptr, "exit 0", {"\nLD_LIBRARY_PATH=/q\n",
         "\nNLSPATH=/inherited/%N\n"}, {}, 0},
        // The shell's child exits while traced: a sanitizer's leak check cannot run then.
        {"MissingProgram", {"--timeline", "--", "/no/such/program"},
         {"ASAN_OPTIONS=detect_leaks=0"}, nullptr, "exit 127", {"The load of program "
          "/no/such/program failed because the exec() function failed.  The error code is 2.\n"},
         {"/no/such/program could not be started"}, 0},
        {"Untraced", {"--no-ptrace", "--timeline", "--", "/bin/sh", "-c", "sleep 0.2; exit 3"}, {},
         nullptr, "exit 0", {}, {"its exit status is unknown without tracing", " is gone\n",
         "!seized"}, 200},
        // The limit ends the launch and the shell still waiting for enter.
        {"HandshakeTimeout", {"--timeline", "--flags", "8", "--timeout", "0.3", "--", "/bin/true"},
         {}, nullptr, "exit 125", {"Press enter when ready"}, {"no flag record"}, 300},
        // A shell that ends, or cannot start, before its records is seen at once.
        {"ShellRefuses", {"--timeline", "--", "/bin/true"}, {}, "#!/bin/sh\nexit 255\n",
         "exit 125", {}, {"exited with status 255 before the flag record (type 3, flag 1): it "
         "rejected its command line or could not use the queue (run with"}, 0},
        {"ShellEnds", {"--timeline", "--", "/bin/true"}, {}, "#!/bin/sh\nexit 3\n", "exit 125", {},
         {"exited with status 3 before the flag record", "!rejected its command line"}, 0},
        {"ShellMissing", {"--timeline", "--", "/bin/true"}, {}, "", "exit 125", {},
         {"cannot start the shell"}, 0},
        // An interrupt is the running program's; terminated, qimmaster cleans up; killed, it
        // leaves the debuggee to die with it.
        {"Interrupted", {"--timeline", "--", "/bin/sh", "-c", signalMaster + "INT $master; exit 5"},
         {}, nullptr, "exit 5", {}, {}, 0},
        {"Terminated", {"--timeline", "--", "/bin/sh", "-c", signalMaster + "TERM $master; exec "
         "sleep 60"}, {}, nullptr, "exit 143", {}, {"ended by signal 15"}, 0},
        {"KilledAfterStart", {"--timeline", "--", "/bin/sh", "-c", signalMaster + "KILL $master; "
         "exec sleep 60"}, {}, nullptr, "signal 9", {}, traced, 0},
    };
    // Values out of range or not wholly numbers, unknown options and a missing program are
    // usage errors, before anything starts.
    for (const Lines& refused : {Lines{"--flags", "1x", "p"}, {"--flags", " 5", "p"}, {"--flags",
         "2147483648", "p"}, {"--flags=-2147483649", "p"}, {"--timeout", "0", "p"}, {"--timeout",
         "10s", "p"}, {"--timeout", "nan", "p"}, {"--timeout", "86401", "p"}, {"--timeout"},
         {"-x", "p"}, {"--bogus", "--", "p"}, {"--timeline", "--"}, {}})
        rows.push_back({"Refused" + std::to_string(rows.size()), refused, {}, nullptr, "exit 125",
                        {}, {"\nusage: qimmaster [options] -- program [args...]\n"}, 0});
    return rows;
}
// clang-format on

void expectHolds(const std::string& text, const Lines& expected) {
    for (const std::string& part : expected) {
        const std::size_t at = ("\n" + text).find(part.substr(part[0] == '!'));
        EXPECT_EQ(at == std::string::npos, part[0] == '!') << part << " in\n" << text;
    }
}

class MasterLaunchTest : public ::testing::TestWithParam<MasterLaunch> {};

TEST_P(MasterLaunchTest, EndsAsExpectedLeavingNothingBehind) {
    const MasterLaunch& row = GetParam();
    qimtest::TemporaryDirectory directory;
    const std::string master = directory.file("qimmaster"), shell = directory.file("qimshell");
    fs::copy_file(QIM_MASTER_PROGRAM, master);
    if (!row.shell)
        fs::create_symlink(fs::path(QIM_MASTER_PROGRAM).parent_path() / "qimshell", shell);
    else if (*row.shell) {
        std::ofstream(shell) << row.shell;
        fs::permissions(shell, fs::perms::owner_all);
    }
    std::vector<int> left; // queues of earlier runs
    for (int id = 1; id <= 255; ++id)
        left.push_back(msgget(ftok(master.c_str(), id), IPC_CREAT | IPC_EXCL | 0600));
    qimtest::Gate input(directory.file("input"));
    const Clock::time_point start = Clock::now();
    qimtest::Run run(Lines{master} + row.arguments, Lines{"PATH=/usr/bin:/bin"} + row.environment,
                     directory.path(), directory.file("input"));
    const int status = run.awaitEnd(std::chrono::seconds(30));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(row.leastMilliseconds));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(9)) << "sat out a limit or the program";
    const std::string err = run.err();
    EXPECT_EQ(qimtest::ended(status), row.status) << err;
    expectHolds(run.out(), row.out);
    expectHolds(err, row.err);
    const qimtest::LaunchLeftovers leftovers(err);
    for (int qid : left)
        EXPECT_EQ(msgctl(qid, IPC_RMID, nullptr) == 0, leftovers.queueId < 0) << "queue " << qid;
    if (!WIFSIGNALED(status))
        return leftovers.expectNoneRemain();
    // Killed, qimmaster had removed the queue as soon as it could.
    EXPECT_FALSE(qimtest::queueExists(leftovers.queueId));
    EXPECT_EQ(qimtest::ended(qimtest::awaitEnd(leftovers.shell)), "exit 0");
    EXPECT_EQ(qimtest::ended(qimtest::awaitEnd(leftovers.debuggee)), "signal 9");
}

INSTANTIATE_TEST_SUITE_P(Rows, MasterLaunchTest, ::testing::ValuesIn(launches()),
                         [](const auto& info) { return info.param.name; });

} // namespace
