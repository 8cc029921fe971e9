//===- tests/shell/ShellLaunchTest.cpp - Launching a debuggee through the shell ---===//
//
// The test plays the master: it creates the queue, starts the real qimshell with a
// stand-in master process, reads the records, sends the start signal, and watches what
// the debuggee (a probe that reports what it found) and the shell do.
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
#include <sys/msg.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;
using Lines = std::vector<std::string>;

const std::string keyFileName = "queue-key";

std::string touched(const std::string& path) {
    qimtest::touch(path);
    return path;
}

class ShellLaunchTest : public ::testing::Test {
protected:
    ShellLaunchTest() : _queue(touched(_directory.file(keyFileName)).c_str(), 0) {}

    std::string reportFile() const { return _directory.file("report"); }

    /// The probe as debuggee, reporting into reportFile(), with `arguments` after that.
    std::vector<std::string> probe(const std::vector<std::string>& arguments = {}) const {
        std::vector<std::string> command{QIM_DEBUGGEE_PROBE, reportFile()};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return command;
    }

    std::unique_ptr<qimtest::ShellRun> startShell(const std::vector<std::string>& debuggee,
                                                  const std::vector<std::string>& environment = {},
                                                  const std::vector<std::string>& extra = {},
                                                  int flags = 0, int key = 0) {
        return std::make_unique<qimtest::ShellRun>(qimtest::shellArguments(key ? key : _queue.key(),
                                                                           _master.pid(), flags,
                                                                           extra, debuggee),
                                                   environment, _directory.path());
    }

    /// Reads the flag record and the pid record; the debuggee's process id, or 0.
    pid_t receiveBothRecords() {
        const std::unique_ptr<ShellMsg> flag = qimtest::awaitRecord(_queue.id());
        EXPECT_TRUE(flag && flag->type() == SHELL_MSG_FLAG && flag->flag() == 1);
        const std::unique_ptr<ShellMsg> pid = qimtest::awaitRecord(_queue.id());
        EXPECT_TRUE(pid && pid->type() == SHELL_MSG_INT && pid->intValue() > 0);
        return flag && pid ? pid->intValue() : 0;
    }

    /// The probe's report once it has written it.
    Lines report() {
        EXPECT_TRUE(qimtest::awaitFile(reportFile())) << "the debuggee did not run";
        return qimtest::readLines(reportFile());
    }

    bool queueIsEmpty() { return ShellMsg::receive(_queue.id(), IPC_NOWAIT) == nullptr; }

    qimtest::TemporaryDirectory _directory;
    UNIX_ShellMsgQueue _queue;
    qimtest::StandInMaster _master;
};

// The whole road: two records in order and no more, the start signal, the debuggee with
// its arguments unchanged, and the parent's end once the master has gone.
TEST_F(ShellLaunchTest, LaunchSendsTwoRecordsThenExecsTheDebuggee) {
    const auto shell = startShell(probe({"one", "two words", "", "\xff\x01"}));
    const pid_t debuggee = receiveBothRecords();
    ASSERT_GT(debuggee, 0);
    ASSERT_EQ(kill(debuggee, SIGFPE), 0);
    EXPECT_THAT(report(), testing::IsSupersetOf(Lines{"pid=" + std::to_string(debuggee), "arg=one",
                                                      "arg=two words", "arg=", "arg=\xff\x01"}));

    _master.end();
    ASSERT_TRUE(shell->waitForEnd()) << "the parent outlived the master";
    const auto afterMaster = std::chrono::steady_clock::now() - _master.endedAt();
    EXPECT_LT(afterMaster, std::chrono::seconds(5)) << "the master is probed once a second";
    EXPECT_EQ(shell->exitCode(), 0);
    EXPECT_TRUE(queueIsEmpty()) << "a record beyond the two";
    EXPECT_EQ(shell->out() + shell->err(), "");
}

// The debuggee's environment: the loader binds at once, the shell's trace setting stays
// behind, and the library and catalog paths are inherited unless the master gave them.
TEST_F(ShellLaunchTest, DebuggeeEnvironmentIsPreparedForTheMaster) {
    const Lines inherited = {"LD_LIBRARY_PATH=/inherited/lib", "NLSPATH=/inherited/%N",
                             "LD_BIND_NOW=no",
                             "QIM_DBG_TRACE=" + _directory.file("trace") + ",vek"};
    {
        const auto shell = startShell(probe(), inherited);
        ASSERT_EQ(kill(receiveBothRecords(), SIGFPE), 0);
        const Lines lines = report();
        EXPECT_THAT(lines, Contains("env=LD_BIND_NOW=YES"));
        EXPECT_THAT(lines, Not(Contains("env=LD_BIND_NOW=no")));
        EXPECT_THAT(lines, Not(Contains(testing::StartsWith("env=QIM_DBG_TRACE"))));
        EXPECT_THAT(lines, Contains("env=LD_LIBRARY_PATH=/inherited/lib"));
        EXPECT_THAT(lines, Contains("env=NLSPATH=/inherited/%N"));
    }
    std::remove(reportFile().c_str());
    const auto shell =
        startShell(probe(), inherited, {"-LD_LIBRARY_PATH=/given/lib", "-NLSPATH=/d\xe9j\xe0/%N"});
    ASSERT_EQ(kill(receiveBothRecords(), SIGFPE), 0);
    const Lines lines = report();
    EXPECT_THAT(lines, Contains("env=LD_LIBRARY_PATH=/given/lib"));
    EXPECT_THAT(lines, Contains("env=NLSPATH=/d\xe9j\xe0/%N")) << "the value's bytes changed";
    EXPECT_THAT(lines, Not(Contains("env=NLSPATH=/inherited/%N")));
}

// A master that has ended is gone even before its own parent has reaped it; a parent that
// reaps it only once the shell's output has closed would otherwise wait for good.
TEST_F(ShellLaunchTest, MasterEndedButNotYetReapedEndsTheParent) {
    const auto shell = startShell(probe());
    ASSERT_EQ(kill(receiveBothRecords(), SIGFPE), 0);
    report();
    _master.endAsZombie();
    ASSERT_TRUE(shell->waitForEnd()) << "the parent waited for a zombie master";
    EXPECT_EQ(shell->exitCode(), 0);
}

// SIGINT and SIGQUIT from the terminal must not end the shell's parent, while the debuggee
// keeps their default actions, and no signal blocked (the shell holds SIGFPE back between
// its waits); a repeated SIGFPE only interrupts the parent's sleep.
TEST_F(ShellLaunchTest, ParentIgnoresInterruptAndQuitButTheDebuggeeDoesNot) {
    const auto shell = startShell(probe());
    const pid_t debuggee = receiveBothRecords();
    for (int signal : {SIGINT, SIGQUIT, SIGFPE, SIGFPE})
        ASSERT_EQ(kill(shell->pid(), signal), 0);
    ASSERT_EQ(kill(debuggee, SIGFPE), 0);
    EXPECT_THAT(report(), testing::IsSupersetOf(Lines{"SIGFPE=default", "SIGINT=default",
                                                      "SIGQUIT=default", "blocked="}));
    _master.end();
    ASSERT_TRUE(shell->waitForEnd());
    EXPECT_EQ(shell->signal(), 0);
    EXPECT_EQ(shell->exitCode(), 0);
}

// A debuggee that cannot be executed: the child says so with message 274 and exits 99,
// the parent is not told and keeps watching. The press-enter prompt (flag 8, with standard
// input at its end) is written once, before the fork, not again by the failing child.
TEST_F(ShellLaunchTest, FailedExecPrintsMessage274AndExits99) {
    const std::string directory = _directory.file("a directory");
    const std::string plainFile = touched(_directory.file("not executable"));
    ASSERT_EQ(mkdir(directory.c_str(), 0700), 0);
    struct Case {
        std::string path;
        int error;
    } cases[] = {{"/no/such/program", ENOENT}, {directory, EACCES}, {plainFile, EACCES}};
    for (const Case& c : cases) {
        qimtest::StandInMaster master;
        qimtest::ShellRun shell(
            qimtest::shellArguments(_queue.key(), master.pid(), 8, {}, {c.path}), {},
            _directory.path());
        const pid_t debuggee = receiveBothRecords();
        ASSERT_EQ(kill(debuggee, SIGFPE), 0);
        const std::string message =
            "The load of program " + c.path +
            " failed because the exec() function failed.  The error code is " +
            std::to_string(c.error) + ".\n";
        ASSERT_TRUE(qimtest::awaitText(_directory.file("shell.out"), message)) << shell.out();
        EXPECT_TRUE(shell.running()) << "the parent must go on watching the master";

        master.end();
        ASSERT_TRUE(shell.waitForEnd());
        EXPECT_EQ(shell.exitCode(), 0);
        EXPECT_EQ(shell.out(),
                  "Waiting for debugger to attach.  Process id = " + std::to_string(shell.pid()) +
                      "\nPress enter when ready\n" + message);
        const int status = qimtest::reap(debuggee); // handed to this process with the shell's end
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 99) << c.path;
    }
}

/// True when the wait status is that of a process ended by SIGKILL.
bool killed(int status) {
    return status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// A key without a queue: the shell cannot tell the master anything and ends with 255. Its
// child, whose process id nobody learnt, does not stay behind waiting for good.
TEST_F(ShellLaunchTest, UnknownKeyEndsTheShellWith255) {
    const std::string trace = _directory.file("trace");
    const key_t unknown = ftok(touched(_directory.file("no queue")).c_str(), 3);
    const auto shell = startShell(probe(), {"QIM_DBG_TRACE=" + trace + ",vek"}, {}, 0, unknown);
    ASSERT_TRUE(shell->waitForEnd());
    EXPECT_EQ(shell->exitCode(), 255);
    EXPECT_TRUE(killed(shell->awaitOrphanedChild())) << "the unreported child was left running";
    const Lines lines = qimtest::withoutStamps(qimtest::readLines(trace));
    EXPECT_THAT(lines, Contains(qimtest::isRecord("ERROR", "void UNIX_ShellMsgQueue::open_queue",
                                                  "Process " + std::to_string(shell->pid()) +
                                                      " cannot open message queue; errno=2")));
    EXPECT_THAT(qimtest::recordTexts(lines, "VEK"), Contains("Message queue get error, errno = 2"));
}

// A full queue: the flag record is lost without notice, the pid record is an error.
TEST_F(ShellLaunchTest, FullQueueForThePidRecordEndsTheShellWith255) {
    const ShellIntMsg filler(1);
    int queued = 0;
    while (filler.send(_queue.id(), IPC_NOWAIT) == 0)
        ++queued;
    const std::string trace = _directory.file("trace");
    const auto shell = startShell(probe(), {"QIM_DBG_TRACE=" + trace + ",vek"});
    ASSERT_TRUE(shell->waitForEnd());
    EXPECT_EQ(shell->exitCode(), 255);
    EXPECT_TRUE(killed(shell->awaitOrphanedChild())) << "the unreported child was left running";
    EXPECT_THAT(qimtest::recordTextsOfFile(trace, "VEK"),
                Contains("Message send error, errno = " + std::to_string(EAGAIN)));
    int drained = 0;
    for (std::unique_ptr<ShellMsg> record; (record = ShellMsg::receive(_queue.id(), IPC_NOWAIT));)
        drained += record->type() == SHELL_MSG_INT && record->intValue() == 1;
    EXPECT_EQ(drained, queued) << "only the test's own records were on the queue";
}

// A fork that fails: the flag record is still sent, no pid record follows, and the parent
// watches the master as after a launch.
TEST_F(ShellLaunchTest, FailedForkSendsTheFlagRecordAndWatchesTheMaster) {
    const std::string trace = _directory.file("trace");
    const auto shell = startShell(probe(), {"QIM_DBG_TRACE=" + trace + ",vek",
                                            std::string("LD_PRELOAD=") + QIM_FAILING_FORK_LIBRARY,
                                            // the sanitizer build's runtime must come first
                                            "ASAN_OPTIONS=verify_asan_link_order=0"});
    const std::unique_ptr<ShellMsg> flag = qimtest::awaitRecord(_queue.id());
    ASSERT_TRUE(flag && flag->type() == SHELL_MSG_FLAG && flag->flag() == 1);
    ASSERT_TRUE(qimtest::awaitText(trace, "Staying alive as long as process"));
    EXPECT_THAT(qimtest::recordTextsOfFile(trace, "VEK"),
                Contains("fork() faild.  errno = " + std::to_string(EAGAIN)));
    EXPECT_TRUE(shell->running());

    _master.end();
    ASSERT_TRUE(shell->waitForEnd());
    EXPECT_EQ(shell->exitCode(), 0);
    EXPECT_TRUE(shell->leftNothingBehind());
    EXPECT_TRUE(queueIsEmpty()) << "a pid record after a failed fork";
}

// With a directory as destination, the parent and the child each trace into a file of
// their own, named after their process ids.
TEST_F(ShellLaunchTest, ParentAndChildTraceIntoFilesOfTheirOwn) {
    const std::string traces = _directory.file("traces");
    ASSERT_EQ(mkdir(traces.c_str(), 0700), 0);
    const std::string masterPid = std::to_string(_master.pid());
    const auto shell = startShell(probe({"x y"}), {"QIM_DBG_TRACE=" + traces + ",vek"});
    const pid_t debuggee = receiveBothRecords();
    ASSERT_EQ(kill(debuggee, SIGFPE), 0);
    report();
    _master.end();
    ASSERT_TRUE(shell->waitForEnd());

    const std::string shellPid = std::to_string(shell->pid());
    const std::string childPid = std::to_string(debuggee);
    const Lines parent = qimtest::recordTextsOfFile(traces + "/" + shellPid + ".trc", "VEK");
    ASSERT_GE(parent.size(), 8u);
    EXPECT_THAT(Lines(parent.begin(), parent.begin() + 2),
                ElementsAre("Starting....  pid = " + shellPid, "Parms:"));
    EXPECT_THAT(
        Lines(parent.end() - 6, parent.end()),
        ElementsAre("Process " + shellPid + " opening queue with key " +
                        std::to_string(_queue.key()),
                    "Waiting for child process " + childPid + " to be ready for the start signal",
                    "Child process " + childPid + " is ready for start signal",
                    "Sending the debuggee pid (" + childPid + ")",
                    "Staying alive as long as process " + masterPid + " is available",
                    "Process " + masterPid + " is no longer available"));
    EXPECT_THAT(qimtest::recordTextsOfFile(traces + "/" + childPid + ".trc", "VEK"),
                ElementsAre("Shell child process... pid = " + childPid,
                            "Args:", "  >" + std::string(QIM_DEBUGGEE_PROBE) + "<",
                            "  >" + reportFile() + "<", "  >x y<", "Waiting for start signal 8",
                            "Start signal 8 received", "About to exec with LD_BIND_NOW=YES"));
}

} // namespace
