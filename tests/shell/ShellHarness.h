//===- tests/shell/ShellHarness.h - Playing the master for the shell -*- C++ -*-===//
//
// The launch tests play the master's part against the real qimshell: they create a queue,
// start the shell with a stand-in master process whose end they control, read the records
// and send the start signal. The test process makes itself a subreaper, so that the
// shell's child (the debuggee) comes back to it when the shell ends and its exit status can
// be read. Everything is cleaned up with the objects: the shell's whole process group is
// killed and reaped.
//
//   qimtest::TemporaryDirectory directory;
//   UNIX_ShellMsgQueue queue(directory.file("key").c_str(), 0);   // after touching the file
//   qimtest::StandInMaster master;
//   qimtest::ShellRun shell(qimtest::shellArguments(queue.key(), master.pid(), 0, {}, {...}),
//                           {}, directory.path());
//   auto flag = qimtest::awaitRecord(queue.id());
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SHELL_SHELLHARNESS_H
#define QIM_TESTS_SHELL_SHELLHARNESS_H

#include "shell/ShellMsg.h"

#include <chrono>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace qimtest {

/// How long a test waits for anything the shell should do at once: generous, so that a
/// loaded machine does not fail a test; a fault makes the wait run out.
constexpr std::chrono::milliseconds patience{10000};

/// A process that stands in for the master: it exists until end() or destruction.
class StandInMaster {
public:
    StandInMaster();
    ~StandInMaster();
    StandInMaster(const StandInMaster&) = delete;
    StandInMaster& operator=(const StandInMaster&) = delete;

    pid_t pid() const { return _pid; }
    /// Ends the process and reaps it; the time it was gone is endedAt().
    void end();
    /// Ends the process but leaves it a zombie until destruction, as a parent that has not
    /// waited for it yet would.
    void endAsZombie();
    std::chrono::steady_clock::time_point endedAt() const { return _endedAt; }

private:
    pid_t _pid;
    std::chrono::steady_clock::time_point _endedAt;
};

/// One run of qimshell (or of `program`: a copy of it, or a master that starts it) in a
/// process group of its own, with exactly `environment`, its standard input from `input`
/// and its standard output and error in files of `directory`.
class ShellRun {
public:
    ShellRun(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
             const std::string& directory, const std::string& program = QIM_SHELL_PROGRAM,
             const std::string& input = "/dev/null");
    /// Kills what is left of the shell's process group and reaps all of it.
    ~ShellRun();
    ShellRun(const ShellRun&) = delete;
    ShellRun& operator=(const ShellRun&) = delete;

    pid_t pid() const { return _pid; }
    /// Waits up to `limit` for the shell to end; true when it has.
    bool waitForEnd(std::chrono::milliseconds limit = patience);
    /// True while the shell has not ended.
    bool running();
    /// The exit status, -1 when it has not exited (yet).
    int exitCode() const;
    /// The signal that ended the shell, 0 when none did.
    int signal() const;
    /// After the shell's end: waits up to `limit` for the shell's child, handed to this
    /// process, to end, and reaps it. Its wait status, or -1 when it did not end in time.
    int awaitOrphanedChild(std::chrono::milliseconds limit = patience);
    /// True when no process of the run's process group is left, not even one that has
    /// ended and waits to be reaped: the shell and whatever it started are all gone.
    bool leftNothingBehind() const;
    /// What the shell and its child wrote so far.
    std::string out() const;
    std::string err() const;

private:
    pid_t _pid;
    bool _ended = false;
    int _waitStatus = 0;
    std::string _outPath;
    std::string _errPath;
};

/// A FIFO that delivers nothing until the test releases it: the standard input of a shell
/// that waits for enter, or the gate at which a preloaded library holds a step of the
/// shell. The test holds it open for writing from the start, so that a reader's open does
/// not block and what is released is not lost.
class Gate {
public:
    explicit Gate(const std::string& path);
    ~Gate();
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;

    const std::string& path() const { return _path; }
    /// Lets the reader through: writes one line.
    void release();

private:
    std::string _path;
    int _fd;
};

/// The shell's command line for a launch: -FLAGS, -DEBUGGER_PID, -KEY, `extra`, "--" and
/// the debuggee's arguments.
std::vector<std::string> shellArguments(int key, pid_t master, int flags,
                                        const std::vector<std::string>& extra,
                                        const std::vector<std::string>& debuggee);

/// The next record on queue `qid`, or null when none came within `limit`.
std::unique_ptr<ShellMsg> awaitRecord(int qid, std::chrono::milliseconds limit = patience);

/// Waits up to `limit` until `path` exists; true when it does.
bool awaitFile(const std::string& path, std::chrono::milliseconds limit = patience);

/// Waits up to `limit` until the text of `path` contains `text`.
bool awaitText(const std::string& path, const std::string& text,
               std::chrono::milliseconds limit = patience);

/// The wait status of `pid`, a child of this process or a process handed to it as the
/// subreaper; blocks until it ends.
int reap(pid_t pid);

/// Waits up to `limit` for `pid` (as for reap; -group: any process of that group) to end
/// and reaps it. Its wait status, or -1 when it did not end in time.
int awaitEnd(pid_t pid, std::chrono::milliseconds limit = patience);

/// True when the wait status `status` (-1: none) is that of an exit with `code`.
bool exitedWith(int status, int code);
/// True when the wait status `status` (-1: none) is that of a process ended by `signal`.
bool killedBy(int status, int signal);

/// Makes the file `path` (empty), so that a key can be made from it.
void touch(const std::string& path);

} // namespace qimtest

#endif
