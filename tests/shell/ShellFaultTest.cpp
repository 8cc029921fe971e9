//===- tests/shell/ShellFaultTest.cpp - The shell under faults around it ---===//
//
// The test plays the master against the real qimshell and brings in the faults that a
// launch's surroundings can throw at it: a master killed at each step of the handshake,
// its queue removed or full, execs that fail each way there is, trace destinations that
// cannot be written or go away, damaged message catalogs and symbolic-link loops. Each
// launch must end with the statuses and trace records that the shell gives for it, nothing
// may die of a signal, and no process of the launch may be left behind.
//
//===----------------------------------------------------------------------------===//
#include "shell/UNIX_ShellMsgQueue.h"
#include "tests/shell/ShellHarness.h"
#include "tests/shell/TracedRecords.h"
#include "tests/support/MessageCatalogs.h"
#include "tests/support/MessageQueues.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/msg.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using ::testing::AnyOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::StartsWith;
using Lines = std::vector<std::string>;

/// The status of the shell's child when its master went away before the start signal.
constexpr int masterGoneStatus = 98;

/// How one launch is started; the trace goes to a directory of the launch unless `trace`
/// names another destination.
struct LaunchOptions {
    explicit LaunchOptions(const Lines& debuggee, const std::string& program = QIM_SHELL_PROGRAM)
        : debuggee(debuggee), program(program) {}

    Lines debuggee;
    std::string program;
    Lines environment; ///< besides the trace setting
    Lines extra;       ///< shell parameters before "--"
    std::string input = "/dev/null";
    int flags = 0;
    std::string trace;
};

/// Options for the probe reporting into `report` as debuggee, with `environment`.
LaunchOptions probing(const std::string& report, const Lines& environment) {
    LaunchOptions options({QIM_DEBUGGEE_PROBE, report});
    options.environment = environment;
    return options;
}

/// `path`, made an empty file, so that a queue key can be made from it.
std::string touched(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    qimtest::touch(path);
    return path;
}

/// One launch of the shell with a queue of its own in `directory`; the test plays the
/// master that `master` stands in for.
class Launch {
public:
    Launch(const std::string& directory, pid_t master, const LaunchOptions& options)
        : _directory(directory), _queue(touched(directory + "/queue-key").c_str(), 0) {
        fs::create_directories(traces());
        Lines environment = options.environment;
        environment.push_back(
            "QIM_DBG_TRACE=" + (options.trace.empty() ? traces() : options.trace) + ",vek");
        _shell = std::make_unique<qimtest::ShellRun>(
            qimtest::shellArguments(_queue.key(), master, options.flags, options.extra,
                                    options.debuggee),
            environment, directory, options.program, options.input);
    }

    qimtest::ShellRun& shell() { return *_shell; }
    int queueId() const { return _queue.id(); }
    std::string traces() const { return _directory + "/traces"; }
    std::string file(const std::string& name) const { return _directory + "/" + name; }

    /// True when the next record is the flag record with flag 1.
    bool receiveFlagRecord() {
        const std::unique_ptr<ShellMsg> flag = qimtest::awaitRecord(_queue.id());
        return flag && flag->type() == SHELL_MSG_FLAG && flag->flag() == 1;
    }
    /// The process id that the next record, a pid record, carries; 0 when none came.
    pid_t receivePidRecord() {
        const std::unique_ptr<ShellMsg> pid = qimtest::awaitRecord(_queue.id());
        return pid && pid->type() == SHELL_MSG_INT && pid->intValue() > 0 ? pid->intValue() : 0;
    }
    /// Both records; the child's process id, or 0.
    pid_t receiveBothRecords() { return receiveFlagRecord() ? receivePidRecord() : 0; }

    /// The VEK texts that process `pid` traced into the launch's trace directory.
    Lines trace(pid_t pid) const {
        return qimtest::recordTextsOfFile(traces() + "/" + std::to_string(pid) + ".trc", "VEK");
    }

private:
    std::string _directory;
    UNIX_ShellMsgQueue _queue;
    std::unique_ptr<qimtest::ShellRun> _shell;
};

/// The environment that holds the child's ready signal at `gate` (HeldReadySignal.cpp).
Lines heldReadySignal(const qimtest::Gate& gate) {
    return {std::string("LD_PRELOAD=") + QIM_HELD_READY_SIGNAL_LIBRARY,
            "QIMTEST_READY_GATE=" + gate.path(),
            // the sanitizer build's runtime must come first
            "ASAN_OPTIONS=verify_asan_link_order=0"};
}

/// Message 274 as the default message set words it, with its newline.
std::string execFailedMessage(const std::string& path, int error) {
    return "The load of program " + path +
           " failed because the exec() function failed.  The error code is " +
           std::to_string(error) + ".\n";
}

/// The last `count` elements of `lines` (all of them when there are fewer).
Lines lastOf(const Lines& lines, std::size_t count) {
    return Lines(lines.end() - static_cast<long>(std::min(count, lines.size())), lines.end());
}

/// The shell as installed in <installation>/bin, where no catalog lies unless the test puts
/// one there: a copy of the built shell, or a hard link to `sibling`, an installed copy.
std::string installShell(const std::string& installation, const std::string& sibling = "") {
    const std::string shell = installation + "/bin/qimshell";
    fs::create_directories(installation + "/bin");
    if (sibling.empty())
        fs::copy_file(QIM_SHELL_PROGRAM, shell);
    else
        fs::create_hard_link(sibling, shell);
    return shell;
}

void writeFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

void writeExecutable(const std::string& path, const std::string& bytes) {
    writeFile(path, bytes);
    fs::permissions(path, fs::perms::owner_all);
}

// --- The master killed at each step of the handshake -------------------------------------

enum class Step { BeforeFlagRecord, AfterFlagRecord, AfterPidRecord, AfterStartSignal };

const char* stepText(Step step) {
    const char* const names[] = {"BeforeFlagRecord", "AfterFlagRecord", "AfterPidRecord",
                                 "AfterStartSignal"};
    return names[static_cast<int>(step)];
}

std::string stepName(const ::testing::TestParamInfo<Step>& step) {
    return stepText(step.param);
}

/// How a failing test shows its step.
[[maybe_unused]] void PrintTo(Step step, std::ostream* stream) {
    *stream << stepText(step);
}

class MasterKilledTest : public ::testing::TestWithParam<Step> {};

// SIGKILL leaves a master no time to end anything. The parent notices within about a
// second and ends with 0; a child still waiting for the start signal notices too and ends
// with 98 instead of waiting for good (after the pid record it used to stay behind);
// records the master did not read stay on the queue as sent; and the queue stays: the
// shell opened it by key, and it is its creator's to remove (here the test's).
TEST_P(MasterKilledTest, ParentAndChildEndAndNothingIsLeftBehind) {
    const Step step = GetParam();
    qimtest::TemporaryDirectory directory;
    qimtest::StandInMaster master;
    const std::string masterPid = std::to_string(master.pid());
    qimtest::Gate gate(directory.file("gate"));
    const std::string report = directory.file("report");
    Launch launch(directory.path(), master.pid(), probing(report, heldReadySignal(gate)));

    // The child's ready signal, and so the pid record, is held until the master has read
    // what it reads before it dies.
    const bool diesBeforePidRecord =
        step == Step::BeforeFlagRecord || step == Step::AfterFlagRecord;
    pid_t child = 0;
    if (step == Step::AfterFlagRecord) {
        ASSERT_TRUE(launch.receiveFlagRecord());
    }
    if (!diesBeforePidRecord) {
        gate.release();
        child = launch.receiveBothRecords();
        ASSERT_GT(child, 0);
    }
    if (step == Step::AfterStartSignal) {
        ASSERT_EQ(kill(child, SIGFPE), 0);
        ASSERT_TRUE(qimtest::awaitFile(report)) << "the debuggee did not run";
    }
    master.end();
    if (diesBeforePidRecord) {
        gate.release();
        if (step == Step::BeforeFlagRecord) {
            EXPECT_TRUE(launch.receiveFlagRecord());
        }
        child = launch.receivePidRecord();
        ASSERT_GT(child, 0) << "the shell did not send its pid record";
    }

    qimtest::ShellRun& shell = launch.shell();
    ASSERT_TRUE(shell.waitForEnd()) << "the parent outlived the master";
    EXPECT_EQ(shell.exitCode(), 0);
    const int childStatus = shell.awaitOrphanedChild();
    EXPECT_TRUE(
        qimtest::exitedWith(childStatus, step == Step::AfterStartSignal ? 0 : masterGoneStatus))
        << "wait status " << childStatus << " (-1: the child was left waiting)";
    EXPECT_TRUE(shell.leftNothingBehind());
    EXPECT_TRUE(qimtest::queueExists(launch.queueId()));
    EXPECT_EQ(shell.out() + shell.err(), "");

    const std::string gone = "Process " + masterPid + " is no longer available";
    EXPECT_THAT(
        lastOf(launch.trace(shell.pid()), 2),
        ElementsAre("Staying alive as long as process " + masterPid + " is available", gone));
    const Lines childEnd =
        step == Step::AfterStartSignal
            ? Lines{"Start signal 8 received", "About to exec with LD_BIND_NOW=YES"}
            : Lines{"Waiting for start signal 8", gone};
    EXPECT_EQ(lastOf(launch.trace(child), 2), childEnd);
}

INSTANTIATE_TEST_SUITE_P(EachStep, MasterKilledTest,
                         ::testing::Values(Step::BeforeFlagRecord, Step::AfterFlagRecord,
                                           Step::AfterPidRecord, Step::AfterStartSignal),
                         stepName);

// --- The master's queue ------------------------------------------------------------------

// A master that removes its queue between the two records: the pid record cannot be sent,
// the shell ends with 255, and the child that nobody will start is ended with it.
TEST(ShellQueueFaultTest, QueueRemovedBeforeThePidRecordEndsTheShellWith255) {
    qimtest::TemporaryDirectory directory;
    qimtest::StandInMaster master;
    qimtest::Gate gate(directory.file("gate"));
    Launch launch(directory.path(), master.pid(),
                  probing(directory.file("report"), heldReadySignal(gate)));
    ASSERT_TRUE(launch.receiveFlagRecord());
    ASSERT_EQ(msgctl(launch.queueId(), IPC_RMID, nullptr), 0);
    gate.release();

    qimtest::ShellRun& shell = launch.shell();
    ASSERT_TRUE(shell.waitForEnd());
    EXPECT_EQ(shell.exitCode(), 255);
    const int childStatus = shell.awaitOrphanedChild();
    EXPECT_TRUE(qimtest::killedBy(childStatus, SIGKILL)) << "the unreported child was left running";
    EXPECT_TRUE(shell.leftNothingBehind());
    EXPECT_EQ(shell.err(), "");
    // The kernel gives EINVAL for an identifier that is gone, EIDRM for one being removed.
    const Lines parent = launch.trace(shell.pid());
    ASSERT_GE(parent.size(), 2u);
    EXPECT_THAT(parent.back(), AnyOf("Message send error, errno = " + std::to_string(EINVAL),
                                     "Message send error, errno = " + std::to_string(EIDRM)));
    EXPECT_THAT(parent[parent.size() - 2], StartsWith("Sending the debuggee pid ("));
}

// A queue full when the flag record is sent: that send is not examined, so the record is
// lost and the launch goes on; the master that has made room gets the pid record alone.
TEST(ShellQueueFaultTest, FlagRecordLostToAFullQueueDoesNotStopTheLaunch) {
    qimtest::TemporaryDirectory directory;
    qimtest::StandInMaster master;
    qimtest::Gate gate(directory.file("gate"));
    qimtest::Gate enter(directory.file("enter"));
    const std::string report = directory.file("report");
    LaunchOptions options = probing(report, heldReadySignal(gate));
    options.flags = 8; // the shell waits for enter before it opens the queue
    options.input = enter.path();
    Launch launch(directory.path(), master.pid(), options);
    const ShellIntMsg filler(1);
    int queued = 0;
    while (filler.send(launch.queueId(), IPC_NOWAIT) == 0)
        ++queued;
    ASSERT_GT(queued, 0);
    enter.release();
    ASSERT_TRUE(
        qimtest::awaitText(launch.traces() + "/" + std::to_string(launch.shell().pid()) + ".trc",
                           "to be ready for the start signal"))
        << "the parent did not get past the flag record";
    int fillers = 0;
    int flags = 0;
    for (std::unique_ptr<ShellMsg> record;
         (record = ShellMsg::receive(launch.queueId(), IPC_NOWAIT));) {
        fillers += record->type() == SHELL_MSG_INT && record->intValue() == 1;
        flags += record->type() == SHELL_MSG_FLAG;
    }
    EXPECT_EQ(fillers, queued);
    EXPECT_EQ(flags, 0) << "the flag record found room after all";
    gate.release();

    const pid_t child = launch.receivePidRecord();
    ASSERT_GT(child, 0) << "the launch stopped at the lost flag record";
    ASSERT_EQ(kill(child, SIGFPE), 0);
    EXPECT_TRUE(qimtest::awaitFile(report)) << "the debuggee did not run";
    master.end();
    qimtest::ShellRun& shell = launch.shell();
    ASSERT_TRUE(shell.waitForEnd());
    EXPECT_EQ(shell.exitCode(), 0);
    EXPECT_TRUE(qimtest::exitedWith(shell.awaitOrphanedChild(), 0));
    EXPECT_TRUE(shell.leftNothingBehind());
    EXPECT_EQ(shell.err(), "");
}

// --- Failed execs --------------------------------------------------------------------------

/// An argument just below the kernel's limit for one string (MAX_ARG_STRLEN, 131072 bytes
/// with the zero byte), so that the shell itself can still be started with it.
const std::string longArgument(130000, 'x');

// Every way an exec fails gives message 274 with the path and the error number, from the
// default message set when no catalog is found, and the child's exit status 99; the
// parent goes on watching the master. Root too gets EACCES for a file without execute
// bits. execv does not fall back to /bin/sh for a file that is no program (ENOEXEC). E2BIG
// comes from the stack limit, of which the kernel gives the arguments a quarter (but at
// least 128 KiB): the child's limit is lowered below what the shell itself was started
// with, and the shell's traces of those long arguments must cope as well.
TEST(ShellExecFaultTest, EachFailedExecPrintsTheDefaultMessage274AndExits99) {
    qimtest::TemporaryDirectory directory;
    const std::string shellCopy = installShell(directory.file("installation"));
    const std::string plainFile = touched(directory.file("programs/not executable"));
    const std::string garbage = directory.file("programs/garbage");
    writeExecutable(garbage, std::string("\x01\x02\x03 this is no program\n", 24));
    const std::string loop = directory.file("programs/loop");
    fs::create_symlink("loop-back", loop);
    fs::create_symlink("loop", directory.file("programs/loop-back"));
    struct Case {
        std::string path;
        int error;
        Lines arguments;
    } cases[] = {{"/no/such/program", ENOENT, {}},
                 {plainFile, EACCES, {}},
                 {garbage, ENOEXEC, {}},
                 {loop, ELOOP, {}},
                 {plainFile + "/below a file", ENOTDIR, {}},
                 {"/bin/true", E2BIG, {longArgument, longArgument, longArgument}}};

    qimtest::StandInMaster master;
    std::vector<std::unique_ptr<Launch>> launches;
    for (const Case& c : cases) {
        Lines debuggee{c.path};
        debuggee.insert(debuggee.end(), c.arguments.begin(), c.arguments.end());
        launches.push_back(
            std::make_unique<Launch>(directory.file("launch" + std::to_string(launches.size())),
                                     master.pid(), LaunchOptions(debuggee, shellCopy)));
    }
    std::vector<pid_t> children;
    for (std::size_t i = 0; i < launches.size(); ++i) {
        const pid_t child = launches[i]->receiveBothRecords();
        ASSERT_GT(child, 0) << cases[i].path;
        if (cases[i].error == E2BIG) {
            rlimit stack;
            ASSERT_EQ(prlimit(child, RLIMIT_STACK, nullptr, &stack), 0);
            stack.rlim_cur = std::min<rlim_t>(1 << 20, stack.rlim_max);
            ASSERT_EQ(prlimit(child, RLIMIT_STACK, &stack, nullptr), 0);
        }
        ASSERT_EQ(kill(child, SIGFPE), 0);
        children.push_back(child);
    }
    for (std::size_t i = 0; i < launches.size(); ++i) {
        const Case& c = cases[i];
        qimtest::ShellRun& shell = launches[i]->shell();
        const std::string message = execFailedMessage(c.path, c.error);
        EXPECT_TRUE(qimtest::awaitText(launches[i]->file("shell.out"), message)) << shell.out();
        EXPECT_EQ(shell.err(), "") << c.path;
        EXPECT_TRUE(shell.running()) << c.path << ": the parent must go on watching the master";
        const Lines child = launches[i]->trace(children[i]);
        EXPECT_THAT(lastOf(child, 2),
                    ElementsAre("About to exec with LD_BIND_NOW=YES",
                                "exec() failed with errno " + std::to_string(c.error)))
            << c.path;
        // Each long argument is traced, as far as a record holds it.
        for (std::size_t a = 0; a < c.arguments.size(); ++a) {
            ASSERT_GT(child.size(), 3 + a);
            const std::string& traced = child[3 + a];
            EXPECT_GT(traced.size(), 100000u);
            EXPECT_EQ(traced, ("  >" + c.arguments[a] + "<").substr(0, traced.size()));
        }
    }
    master.end();
    for (std::size_t i = 0; i < launches.size(); ++i) {
        qimtest::ShellRun& shell = launches[i]->shell();
        ASSERT_TRUE(shell.waitForEnd());
        EXPECT_EQ(shell.exitCode(), 0);
        // The child, handed to this process with the shell's end.
        EXPECT_TRUE(qimtest::exitedWith(qimtest::awaitEnd(children[i]), 99)) << cases[i].path;
        EXPECT_EQ(shell.out(), execFailedMessage(cases[i].path, cases[i].error));
        EXPECT_TRUE(shell.leftNothingBehind());
    }
}

// --- Trace destinations ------------------------------------------------------------------

// A trace that cannot be written changes nothing in the launch: /dev/full takes every
// record and fails each write, and a path below a regular file cannot be opened at all,
// not even by root, whom a read-only directory would not stop. Both a launch that reaches
// its debuggee and one whose exec fails end as with a working trace.
TEST(ShellTraceFaultTest, UnwritableTraceChangesNothingInTheLaunch) {
    qimtest::TemporaryDirectory directory;
    const std::string underAFile = touched(directory.file("plain file")) + "/trace";
    qimtest::StandInMaster master;
    struct Run {
        std::unique_ptr<Launch> launch;
        std::string report; ///< empty for the failing exec
    };
    std::vector<Run> runs;
    for (const std::string& destination : {std::string("/dev/full"), underAFile}) {
        for (bool execFails : {false, true}) {
            const std::string name = directory.file("launch" + std::to_string(runs.size()));
            const std::string report = execFails ? "" : name + ".report";
            LaunchOptions options =
                execFails ? LaunchOptions({"/no/such/program"}) : probing(report, {});
            options.trace = destination;
            runs.push_back({std::make_unique<Launch>(name, master.pid(), options), report});
        }
    }
    for (Run& run : runs) {
        const pid_t child = run.launch->receiveBothRecords();
        ASSERT_GT(child, 0);
        ASSERT_EQ(kill(child, SIGFPE), 0);
        if (run.report.empty())
            EXPECT_TRUE(qimtest::awaitText(run.launch->file("shell.out"), "The error code is 2."));
        else
            EXPECT_TRUE(qimtest::awaitFile(run.report)) << "the debuggee did not run";
    }
    master.end();
    for (Run& run : runs) {
        qimtest::ShellRun& shell = run.launch->shell();
        ASSERT_TRUE(shell.waitForEnd());
        EXPECT_EQ(shell.exitCode(), 0);
        EXPECT_TRUE(qimtest::exitedWith(shell.awaitOrphanedChild(), run.report.empty() ? 99 : 0));
        EXPECT_TRUE(shell.leftNothingBehind());
        EXPECT_EQ(shell.out(),
                  run.report.empty() ? execFailedMessage("/no/such/program", ENOENT) : "");
        EXPECT_EQ(shell.err(), "");
    }
    EXPECT_TRUE(fs::is_regular_file(directory.file("plain file")));
}

/// Everything that can be read through `fd` from its start.
std::string readFromStart(int fd) {
    std::string text;
    char chunk[4096];
    for (ssize_t got; (got = pread(fd, chunk, sizeof chunk, static_cast<off_t>(text.size()))) > 0;)
        text.append(chunk, static_cast<std::size_t>(got));
    return text;
}

// The trace directory goes away while the parent, its trace open, waits for enter, and
// so before the child reopens the destination. Gone with its parent directory, it leaves
// the child nothing to open: the child traces nothing and creates nothing. Gone alone, its
// path names no directory any more and the child's trace becomes a file of that name.
// Either way the launch goes on and the parent traces into its open file to the end.
TEST(ShellTraceFaultTest, TraceDirectoryVanishingBeforeTheChildReopensIt) {
    for (const bool withItsParent : {true, false}) {
        qimtest::TemporaryDirectory directory;
        qimtest::StandInMaster master;
        const std::string masterPid = std::to_string(master.pid());
        qimtest::Gate enter(directory.file("enter"));
        const std::string outer = directory.file("outer");
        const std::string traces = outer + "/traces";
        fs::create_directories(traces);
        const std::string report = directory.file("report");
        LaunchOptions options = probing(report, {});
        options.trace = traces;
        options.input = enter.path();
        options.flags = 8; // wait for enter between the start-up traces and the fork
        Launch launch(directory.path(), master.pid(), options);
        qimtest::ShellRun& shell = launch.shell();
        const std::string parentTrace = traces + "/" + std::to_string(shell.pid()) + ".trc";
        ASSERT_TRUE(qimtest::awaitText(directory.file("shell.out"), "Press enter when ready"));
        ASSERT_TRUE(qimtest::awaitFile(parentTrace));
        const int parentFile = open(parentTrace.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(parentFile, 0);
        fs::remove_all(withItsParent ? outer : traces);
        enter.release();

        const pid_t child = launch.receiveBothRecords();
        ASSERT_GT(child, 0);
        ASSERT_EQ(kill(child, SIGFPE), 0);
        EXPECT_TRUE(qimtest::awaitFile(report)) << "the debuggee did not run";
        master.end();
        ASSERT_TRUE(shell.waitForEnd());
        EXPECT_EQ(shell.exitCode(), 0);
        EXPECT_TRUE(qimtest::exitedWith(shell.awaitOrphanedChild(), 0));
        EXPECT_TRUE(shell.leftNothingBehind());

        const Lines parent = qimtest::recordTexts(
            qimtest::withoutStamps(qimtest::splitLines(readFromStart(parentFile))), "VEK");
        close(parentFile);
        EXPECT_THAT(parent, Contains("Sending the debuggee pid (" + std::to_string(child) + ")"));
        EXPECT_THAT(lastOf(parent, 1),
                    ElementsAre("Process " + masterPid + " is no longer available"));
        if (withItsParent) {
            EXPECT_FALSE(fs::exists(outer)) << "the child created its trace after all";
        } else {
            EXPECT_THAT(qimtest::recordTextsOfFile(traces, "VEK"),
                        ElementsAre("Shell child process... pid = " + std::to_string(child),
                                    "Args:", "  >" + std::string(QIM_DEBUGGEE_PROBE) + "<",
                                    "  >" + report + "<", "Waiting for start signal 8",
                                    "Start signal 8 received",
                                    "About to exec with LD_BIND_NOW=YES"));
        }
    }
}

// --- Catalogs ------------------------------------------------------------------------------

// Message 274 after a failed exec comes from the catalog of the shell's installation, or
// along NLSPATH, when one is found. A file there that is no catalog, or a damaged one, must
// give the default text: catopen trusts a catalog's stated sizes, and a damaged one made
// the child die of SIGFPE or SIGBUS, or print a cut text. A whole catalog (the first row
// of each kind) shows that the place is really read.
TEST(ShellCatalogFaultTest, DamagedCatalogGivesTheDefaultMessage274) {
    qimtest::TemporaryDirectory directory;
    const std::string catalogPath = directory.file("whole.cat");
    ASSERT_TRUE(
        qimtest::makeCatalog(catalogPath, qimtest::catalogSource({{274, "Catalog text %1, %2."}})));
    const std::string whole = qimtest::readFile(catalogPath);
    ASSERT_GT(whole.size(), 12u);
    const auto withPlanes = [&](const char* planes) {
        return whole.substr(0, 4) + std::string(planes, 8) + whole.substr(12);
    };
    const std::string program = "/no/such/program";
    const std::string catalogMessage = "Catalog text " + program + ", 2.\n";
    const std::string defaultMessage = execFailedMessage(program, ENOENT);
    struct Case {
        const char* name;
        bool installed; ///< in the installation, or else along NLSPATH
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"whole", true, whole, catalogMessage},
        {"no catalog", true, "$set 1\n274 \"not compiled\"\n", defaultMessage},
        {"empty", true, "", defaultMessage},
        {"header only", true, whole.substr(0, 12), defaultMessage},
        {"no planes", true, withPlanes("\0\0\0\0\0\0\0\0"), defaultMessage},
        {"huge planes", true, withPlanes("\xff\xff\0\0\xff\xff\0\0"), defaultMessage},
        {"string cut short", true, whole.substr(0, whole.size() - 3), defaultMessage},
        {"whole", false, whole, catalogMessage},
        {"no catalog", false, "\x7f garbage, no catalog at all", defaultMessage},
    };

    qimtest::StandInMaster master;
    std::vector<std::unique_ptr<Launch>> launches;
    std::string shell;
    for (const Case& c : cases) {
        const std::string name = directory.file("launch" + std::to_string(launches.size()));
        shell = installShell(name + "/installation", shell);
        LaunchOptions options({program}, shell);
        if (c.installed) {
            writeFile(name + "/installation/msg/en_US/qimpex1.cat", c.bytes);
        } else {
            writeFile(name + "/nls.cat", c.bytes);
            options.extra = {"-NLSPATH=" + name + "/nls.cat"};
        }
        launches.push_back(std::make_unique<Launch>(name, master.pid(), options));
    }
    std::vector<pid_t> children;
    for (const auto& launch : launches) {
        children.push_back(launch->receiveBothRecords());
        ASSERT_GT(children.back(), 0);
        ASSERT_EQ(kill(children.back(), SIGFPE), 0);
    }
    for (std::size_t i = 0; i < launches.size(); ++i)
        EXPECT_TRUE(qimtest::awaitText(launches[i]->file("shell.out"), cases[i].expected))
            << cases[i].name << ": " << launches[i]->shell().out();
    master.end();
    for (std::size_t i = 0; i < launches.size(); ++i) {
        qimtest::ShellRun& shell = launches[i]->shell();
        const std::string where =
            std::string(cases[i].name) + (cases[i].installed ? " (installed)" : " (NLSPATH)");
        ASSERT_TRUE(shell.waitForEnd());
        EXPECT_EQ(shell.exitCode(), 0);
        const int status = qimtest::awaitEnd(children[i]);
        EXPECT_TRUE(qimtest::exitedWith(status, 99)) << where << ": wait status " << status;
        EXPECT_EQ(shell.out(), cases[i].expected) << where;
        EXPECT_EQ(shell.err(), "") << where;
        EXPECT_TRUE(shell.leftNothingBehind());
    }
}

// --- Symbolic links ------------------------------------------------------------------------

// The installation directory is found from /proc/<pid>/exe, which the kernel has resolved
// already: a path to the shell that loops cannot start it at all (execve gives ELOOP). A
// loop reaches the lookup only when the shell's file has been removed while it runs and a
// link loop sits at the name the kernel then gives ("<path> (deleted)"). The lookup after
// a failed exec follows ten links, then reports the link it could not resolve on standard
// error and ends the child with 255, before any message; the parent goes on watching.
TEST(ShellLinkFaultTest, LoopBehindTheShellsOwnImageEndsTheChildWith255) {
    qimtest::TemporaryDirectory directory;
    const std::string installed = installShell(directory.file("installation"));
    qimtest::StandInMaster master;
    Launch launch(directory.file("launch"), master.pid(),
                  LaunchOptions({"/no/such/program"}, installed));
    const pid_t child = launch.receiveBothRecords();
    ASSERT_GT(child, 0);
    fs::remove(installed);
    fs::create_symlink("qimshell (deleted)", installed + " (deleted)");
    ASSERT_EQ(fs::read_symlink("/proc/" + std::to_string(child) + "/exe").string(),
              installed + " (deleted)");
    ASSERT_EQ(kill(child, SIGFPE), 0);

    qimtest::ShellRun& shell = launch.shell();
    const std::string reported =
        "Cannot resolve symbolic link /proc/" + std::to_string(child) + "/exe\n";
    EXPECT_TRUE(qimtest::awaitText(launch.file("shell.err"), reported)) << shell.err();
    EXPECT_TRUE(shell.running()) << "the parent must go on watching the master";
    master.end();
    ASSERT_TRUE(shell.waitForEnd());
    EXPECT_EQ(shell.exitCode(), 0);
    EXPECT_TRUE(qimtest::exitedWith(qimtest::awaitEnd(child), 255));
    EXPECT_EQ(shell.err(), reported);
    EXPECT_EQ(shell.out(), "");
    EXPECT_TRUE(shell.leftNothingBehind());
}

} // namespace
