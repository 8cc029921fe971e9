//===- tests/shell/ShellLaunchTest.cpp - Launches through the real qimshell ---===//
//
// Each row is one launch: the command line, the environment, the fault brought in (a
// preloaded library, a full queue, a master that ends early) and what must come of it:
// the records, how the shell and its child end, the output, the last trace records of
// each process and what the debuggee found. The test plays the master: it creates the
// queue, starts qimshell with a stand-in master process, reads the records, sends the
// start signal and ends the master. After every launch no process is left, and the queue
// is still there, its creator's alone, holding no record but those read and the test's.
//
//===----------------------------------------------------------------------------===//
#include "shell/ShellMsg.h"
#include "shell/UNIX_ShellMsgQueue.h"
#include "tests/shell/ShellHarness.h"
#include "tests/support/LargeValues.h"
#include "tests/support/QueuePrivacy.h"
#include "tests/support/TemporaryDirectory.h"

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using qimtest::Lines;
using qimtest::operator+;

/// How the test plays the master, which ends as a process that its parent has not reaped
/// yet: gone all the same.
enum class Master {
    Starts,        ///< sends the start signal, ends once the child or debuggee has ended
    EndsWhileHeld, ///< ends after the flag record, the child's ready signal held until then
    EndsAfterPid,  ///< ends after the pid record, never sending the start signal
    FillsQueue,    ///< fills its queue before the shell starts
};

struct Launch {
    std::string name;
    Master master;
    std::string records; ///< read in order: F the flag record, P the pid record
    Lines arguments;     ///< after -FLAGS=0 -DEBUGGER_PID -KEY; without a debuggee: all of them
    Lines debuggee;
    Lines environment;
    std::string shell, child; ///< how the shell and its child end ("none": there is no child)
    std::string out;
    Lines parentTrace, childTrace; ///< the last records of each trace; empty: not looked at
    Lines report;                  ///< lines of the probe's report
};

void PrintTo(const Launch& launch, std::ostream* out) {
    *out << launch.name;
}

// clang-format off
// The expected texts, with {dir}, {key}, {nokey}, {master}, {shell} and {child} standing
// for the values of each launch.
const Lines environment = {"PATH=/usr/bin:/bin", "QIM_DBG_TRACE={dir}/traces,vek",
                           "ASAN_OPTIONS=verify_asan_link_order=0"};
const Lines standard = {"-FLAGS=0", "-DEBUGGER_PID={master}", "-KEY={key}"};
/// The debuggee that reports into {dir}/report what it found: its blocked and ignored
/// signals, process id, arguments and environment.
const Lines probe = {"/bin/sh", "-c", "exec >\"$0.draft\"; while read -r l; do case $l in "
    "Sig[BI]*) echo \"$l\"; esac; done </proc/$$/status; echo pid=$$; printf 'arg=%s\\n' \"$@\"; "
    "env; mv \"$0.draft\" \"$0\"", "{dir}/report"};
const Lines reported = {"Process {shell} opening queue with key {key}", "Waiting for child "
    "process {child} to be ready for the start signal", "Child process {child} is ready for start "
    "signal", "Sending the debuggee pid ({child})"};
const Lines watched = {"Staying alive as long as process {master} is available",
                       "Process {master} is no longer available"};
const Lines execed = {"Waiting for start signal 8", "Start signal 8 received",
                      "About to exec with LD_BIND_NOW=YES"};
std::string execFailed(const std::string& path, int error) {
    return "The load of program " + path + " failed because the exec() function failed.  The "
           "error code is " + std::to_string(error) + ".\n";
}
/// A symbolic link planted at the trace file name of the shell ("self") or its child, to a
/// file with content ("victim") or to no file ("nothing").
Lines planted(const std::string& forWhom, const std::string& target) {
    return {"LD_PRELOAD=" QIM_PLANTED_TRACE_FILE_LIBRARY, "QIMTEST_PLANT_DIR={dir}/traces",
        "QIMTEST_PLANT_KIND=symlink", "QIMTEST_PLANT_TARGET={dir}/" + target,
        "QIMTEST_PLANT_FOR=" + forWhom};
}

std::vector<Launch> launches() {
    using M = Master;
    std::vector<Launch> rows = {
        // The whole road, and what the debuggee finds: its arguments unchanged, the loader
        // binding at once, a library path inherited and a catalog path replaced with its bytes
        // unchanged, no signal blocked or ignored.
        {"Launch", M::Starts, "FP", {"-NLSPATH=/d\xe9j\xe0/%N"}, probe + Lines{"one", "two words",
         "", "\xff\x01"}, {"LD_LIBRARY_PATH=/inherited/lib", "NLSPATH=/inherited/%N",
         "LD_BIND_NOW=no"}, "exit 0", "exit 0", "", reported + watched, execed, {"pid={child}",
         "arg=one", "arg=two words", "arg=", "arg=\xff\x01", "LD_BIND_NOW=YES",
         "LD_LIBRARY_PATH=/inherited/lib", "NLSPATH=/d\xe9j\xe0/%N", "SigBlk:\t0000000000000000",
         "SigIgn:\t0000000000000000"}},
        // The argument's bytes do not spell the keyword: the value is converted back.
        {"ValueConvertedFromUtf7", M::Starts, "FP", {"+AC0-LD_LIBRARY_PATH=/x/+AC0-y"}, probe,
         {"QIM_DBG_CODEPAGE=UTF-7"}, "exit 0", "exit 0", "", watched, execed,
         {"LD_LIBRARY_PATH=/x/-y"}},
        // The prompt comes once, before the fork; the path is not searched along PATH.
        {"FailedExec", M::Starts, "FP", {"-FLAGS=8"}, {"true"}, {}, "exit 0", "exit 99",
         "Waiting for debugger to attach.  Process id = {shell}\nPress enter when ready\n" +
         execFailed("true", ENOENT), watched, Lines{"Shell child process... pid = {child}",
         "Args:", "  >true<"} + execed + Lines{"exec() failed with errno 2"}, {}},
        // A child that the master cannot learn of is ended.
        {"UnknownKey", M::Starts, "", {"-KEY={nokey}"}, probe, {}, "exit 255", "signal 9", "",
         {"Process {shell} cannot open message queue; errno=2",
          "Message queue get error, errno = 2"}, {}, {}},
        {"FullQueue", M::FillsQueue, "", {}, probe, {}, "exit 255", "signal 9", "",
         {"Message send error, errno = 11"}, {}, {}},
        {"FailedFork", M::Starts, "F", {}, probe, {"LD_PRELOAD=" QIM_FAILING_FORK_LIBRARY},
         "exit 0", "none", "", Lines{"fork() faild.  errno = 11"} + watched, {}, {}},
        // A child waiting for its start signal ends once the master is gone.
        {"MasterEndsWhileReadyIsHeld", M::EndsWhileHeld, "FP", {}, probe, {"LD_PRELOAD="
         QIM_HELD_READY_SIGNAL_LIBRARY, "QIMTEST_READY_GATE={dir}/gate"}, "exit 0", "exit 98", "",
         watched, {execed[0], watched[1]}, {}},
        {"MasterEndsAfterPidRecord", M::EndsAfterPid, "FP", {}, probe, {}, "exit 0", "exit 98",
         "", watched, {execed[0], watched[1]}, {}},
        // A link at a trace file's name is not followed, and the launch goes on.
        {"ParentsTraceLinkedToAVictim", M::Starts, "FP", {}, probe, planted("self", "victim"),
         "exit 0", "exit 0", "", {}, {}, {}},
        {"ChildsTraceLinkedToNothing", M::Starts, "FP", {}, probe, planted("child", "nothing"),
         "exit 0", "exit 0", "", reported + watched, {}, {}},
        // Rejected command lines: the first check that fails is the only one reported.
        {"FlagsNotQuiteRight", M::Starts, "", {"-flags=8", "-FLAGS=8x", "-KEY=1",
         "-DEBUGGER_PID=1", "--", "p"}, {}, {}, "exit 255", "none", "",
         {"Parmeter \"-flags=8\" is not recognized", "Missing FLAG parm"}, {}, {}},
        {"NothingAfterTheEnd", M::Starts, "", {"-FLAGS= 8", "-KEY=1", "-DEBUGGER_PID=1", "p", "--"},
         {}, {}, "exit 255", "none", "", {"Starting....  pid = {shell}", "Parms:",
         "  " QIM_SHELL_PROGRAM, "  -FLAGS= 8", "  -KEY=1", "  -DEBUGGER_PID=1", "  p", "  --",
         "Parmeter \"p\" is not recognized", "Missing debuggee name"}, {}, {}},
        {"KeyOnlyAfterTheEnd", M::Starts, "", {"-FLAGS=0", "-DEBUGGER_PID=1", "--", "p",
         "-KEY=5"}, {}, {}, "exit 255", "none", "",
         {"Missing master PID or message Key for running a program"}, {}, {}},
    };
    // Values of every size and byte reach the debuggee whole, and a path of any size comes
    // back whole in message 274, whatever the locale settings hold.
    for (std::size_t size : qimtest::valueSizes(qimtest::largestExecString - 17)) {
        const std::string value = qimtest::everyByte(size);
        rows.push_back({"Value" + std::to_string(size), M::Starts, "FP", {"-LD_LIBRARY_PATH=" +
                        value, "-NLSPATH=" + value}, probe + Lines{value}, {}, "exit 0", "exit 0",
                        "", watched, execed, {"arg=" + value, "LD_LIBRARY_PATH=" + value,
                        "NLSPATH=" + value}});
    }
    const auto largest = [](const std::string& name) { // an entry as large as an exec allows
        return name + qimtest::everyByte(qimtest::largestExecString - name.size());
    };
    rows.push_back({"PathOfAnySize", M::Starts, "FP", {largest("-NLSPATH=")}, {largest("/")},
                    {"QIM_DBG_CODEPAGE=ISO-8859-1", largest("NLSPATH="), largest("LANG="),
                    largest("LC_ALL="), largest("LC_MESSAGES=")}, "exit 0", "exit 99", execFailed(
                    largest("/"), ENAMETOOLONG), watched, {"exec() failed with errno 36"}, {}});
    return rows;
}
// clang-format on

using Values = std::vector<std::pair<std::string, std::string>>;

/// `lines` with each {name} replaced by its value.
Lines expand(Lines lines, const Values& values) {
    for (std::string& line : lines)
        for (const auto& [name, value] : values)
            for (std::size_t at; (at = line.find(name)) != std::string::npos;)
                line.replace(at, name.size(), value);
    return lines;
}

/// Expects the trace `path` to end with the records `end`. A planted link is no trace of the
/// process's own.
void expectTrace(const std::string& path, const Lines& end) {
    if (end.empty() || fs::is_symlink(path))
        return;
    Lines texts;
    for (const std::string& record : qimtest::traceRecords(qimtest::readFile(path))) {
        const std::size_t type = record.find("**"); // none in the lines of the header
        const std::size_t at = record.find("): ", type);
        if (type != std::string::npos)
            texts.push_back(record.substr(at + 3, record.size() - at - 4));
    }
    EXPECT_EQ(Lines(texts.end() - std::min<long>(texts.size(), end.size()), texts.end()), end)
        << path;
}

class ShellLaunchTest : public ::testing::TestWithParam<Launch> {};

TEST_P(ShellLaunchTest, EndsAsExpectedLeavingNothingBehind) {
    const Launch& row = GetParam();
    qimtest::TemporaryDirectory directory;
    const std::string dir = directory.path();
    fs::create_directory(dir + "/traces");
    std::ofstream(dir + "/victim") << "victim\n";
    UNIX_ShellMsgQueue queue(dir.c_str(), 0);
    qimtest::Run master({"/bin/sleep", "1000"}, {}, dir);
    qimtest::Gate gate(dir + "/gate");
    Values values = {{"{dir}", dir},
                     {"{key}", std::to_string(queue.key())},
                     {"{nokey}", std::to_string(ftok(dir.c_str(), 200))},
                     {"{master}", std::to_string(master.pid())}};
    const Lines debuggee = expand(row.debuggee, values);
    const Lines argv =
        Lines{QIM_SHELL_PROGRAM} +
        (debuggee.empty() ? row.arguments
                          : expand(standard + row.arguments, values) + Lines{"--"} + debuggee);
    while (row.master == Master::FillsQueue && ShellIntMsg(1).send(queue.id(), IPC_NOWAIT) == 0) {
    }
    qimtest::Run shell(argv, expand(environment + row.environment, values), dir);
    pid_t child = 0;
    for (char record : row.records) {
        if (record == 'P' && row.master == Master::EndsWhileHeld) {
            kill(master.pid(), SIGKILL);
            gate.release();
        }
        const std::string received = qimtest::awaitRecord(queue.id());
        child = record == 'P' ? std::atoi(received.c_str() + 2) : child;
        EXPECT_EQ(received,
                  record == 'F' ? std::string("3 \x01\0", 4) : "1 " + std::to_string(child) + '\0');
    }
    // The shell's parent ignores interrupt and quit, and takes another SIGFPE in its stride;
    // before the pid record it need not ignore them yet, and signal 0 only probes.
    for (int signal : {SIGINT, SIGQUIT, SIGFPE, SIGFPE})
        kill(shell.pid(), child > 0 ? signal : 0);
    if (child > 0 && row.master == Master::Starts) {
        ASSERT_EQ(kill(child, SIGFPE), 0);
        EXPECT_TRUE(qimtest::awaitCondition([&] { return !processIsRunning(child); }));
        EXPECT_TRUE(shell.running()) << "the parent must go on watching the master";
    }
    kill(master.pid(), SIGKILL);

    EXPECT_EQ(qimtest::ended(shell.awaitEnd()), row.shell);
    EXPECT_EQ(qimtest::ended(qimtest::awaitEnd(-shell.pid())), row.child);
    EXPECT_TRUE(shell.leftNothingBehind());
    const std::string shellPid = std::to_string(shell.pid()), childPid = std::to_string(child);
    values = values + Values{{"{shell}", shellPid}, {"{child}", childPid}};
    EXPECT_EQ(shell.out(), expand({row.out}, values)[0]);
    EXPECT_EQ(shell.err(), "");
    for (std::string left; !(left = qimtest::awaitRecord(queue.id(), {})).empty();)
        EXPECT_EQ(left, std::string("1 1\0", 4)) << "a record beyond those read";
    EXPECT_EQ(qimtest::ownership(queue.id()), qimtest::ownedByThisProcess()) << "the queue went";
    EXPECT_EQ(qimtest::readFile(dir + "/victim"), "victim\n");
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir + "/nothing")));

    expectTrace(dir + "/traces/" + shellPid + ".trc", expand(row.parentTrace, values));
    expectTrace(dir + "/traces/" + childPid + ".trc", expand(row.childTrace, values));
    const std::string report = "\n" + qimtest::readFile(dir + "/report");
    for (const std::string& line : expand(row.report, values))
        EXPECT_NE(report.find("\n" + line + "\n"), std::string::npos) << line.substr(0, 100);
}

INSTANTIATE_TEST_SUITE_P(Rows, ShellLaunchTest, ::testing::ValuesIn(launches()),
                         [](const auto& info) { return info.param.name; });

} // namespace
