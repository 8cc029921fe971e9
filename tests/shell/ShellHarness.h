//===- tests/shell/ShellHarness.h - Running qimshell and qimmaster in tests -*- C++ -*-===//
//
// The launch tests run the real programs in a process group of their own and play the
// other side: a stand-in master whose end they control, the records on the queue,
// the start signal, and gates at which a preloaded library holds a step of the shell. The
// test process is a subreaper, so that the orphans of a launch come back to it and their
// end can be read; whatever a run started is killed and reaped with the run. With
// --timeline qimmaster names its queue and processes, which LaunchLeftovers reads back to
// check that nothing outlives the run and to clean up after a faulty one.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SHELL_SHELLHARNESS_H
#define QIM_TESTS_SHELL_SHELLHARNESS_H

#include "shell/ProcessProbe.h"
#include "tests/support/MessageQueues.h"
#include "tests/support/TextLines.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <regex>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qimtest {

using Lines = std::vector<std::string>;

template <typename T>
std::vector<T> operator+(std::vector<T> first, const std::vector<T>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

/// Looks at `condition` every few milliseconds for up to `limit`, which only a fault makes
/// a wait run out. True once it holds.
template <typename Condition>
bool awaitCondition(Condition condition,
                    std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    for (const auto deadline = std::chrono::steady_clock::now() + limit; !condition();
         std::this_thread::sleep_for(std::chrono::milliseconds(5)))
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
    return true;
}

/// A wait status as "exit N" or "signal N"; "none" for -1 (no end seen).
inline std::string ended(int status) {
    if (status == -1)
        return "none";
    return WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                             : "signal " + std::to_string(WTERMSIG(status));
}

/// The wait status of `pid` (-group: any process of it), a child of this process or one
/// handed to it, once it has ended; -1 when there is none or it does not end in time.
inline int awaitEnd(pid_t pid) {
    int status = -1;
    awaitCondition([&] { return waitpid(pid, &status, WNOHANG | __WALL) != 0; });
    return status;
}

/// `argv` run with exactly `environment` in `directory`, with standard input from `input`,
/// standard output and error in the files out and err there, every signal at its default
/// action and none blocked.
class Run {
public:
    Run(const Lines& argv, const Lines& environment, const std::string& directory,
        const std::string& input = "/dev/null")
        : _directory(directory) {
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        std::vector<char*> args, envp;
        for (const std::string& text : argv)
            args.push_back(const_cast<char*>(text.c_str()));
        for (const std::string& text : environment)
            envp.push_back(const_cast<char*>(text.c_str()));
        args.push_back(nullptr);
        envp.push_back(nullptr);
        const std::string out = directory + "/out", err = directory + "/err";
        if ((_pid = fork()) < 0)
            throw std::runtime_error("fork failed");
        if (_pid == 0) { // only system calls until execve
            const sigset_t none{};
            sigprocmask(SIG_SETMASK, &none, nullptr);
            for (int signal = 1; signal < NSIG; ++signal)
                std::signal(signal, SIG_DFL);
            dup2(open(input.c_str(), O_RDONLY), STDIN_FILENO);
            dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
            dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
            if (setpgid(0, 0) == 0 && chdir(directory.c_str()) == 0)
                execve(args[0], args.data(), envp.data());
            _exit(127);
        }
        setpgid(_pid, _pid); // here too, so that the group exists before either side goes on
    }
    /// Kills what is left of the process group and reaps it.
    ~Run() {
        kill(-_pid, SIGKILL);
        while (waitpid(-_pid, nullptr, __WALL) > 0) {
        }
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    pid_t pid() const { return _pid; }
    bool running() {
        _ended = _ended || waitpid(_pid, &_status, WNOHANG) == _pid;
        return !_ended;
    }
    /// The wait status once it has ended within `limit`; -1 otherwise.
    int awaitEnd(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        return awaitCondition([this] { return !running(); }, limit) ? _status : -1;
    }
    /// True when no process of the group is left, not even one waiting to be reaped.
    bool leftNothingBehind() const { return kill(-_pid, 0) != 0 && errno == ESRCH; }
    std::string out() const { return readFile(_directory + "/out"); }
    std::string err() const { return readFile(_directory + "/err"); }

private:
    pid_t _pid;
    bool _ended = false;
    int _status = -1;
    std::string _directory;
};

/// A FIFO that delivers nothing until release(). It is held open for writing, so that a
/// reader's open does not block.
class Gate {
public:
    explicit Gate(const std::string& path)
        : _fd(mkfifo(path.c_str(), 0600) == 0 ? open(path.c_str(), O_RDWR) : -1) {}
    ~Gate() { close(_fd); }
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;
    void release() { EXPECT_EQ(write(_fd, "\n", 1), 1); }

private:
    int _fd;
};

/// The queue and processes that a --timeline run named in `err` (-1: not named). What is
/// left of them goes with the object.
struct LaunchLeftovers {
    explicit LaunchLeftovers(const std::string& err)
        : queueId(named(err, R"(\] queue created \(key -?[0-9]+, id ([0-9]+)\))")),
          shell(named(err, R"(\] shell ([0-9]+) started)")),
          debuggee(named(err, R"(\] pid record received: process ([0-9]+))")) {}
    ~LaunchLeftovers() {
        for (pid_t pid : {debuggee, shell})
            if (pid > 0 && kill(pid, SIGKILL) == 0)
                waitpid(pid, nullptr, __WALL); // reaps what came back here
        msgctl(queueId, IPC_RMID, nullptr);
    }
    /// Expects the queue removed, the shell ended and reaped by qimmaster, the debuggee ended.
    void expectNoneRemain() const {
        EXPECT_FALSE(queueExists(queueId)) << "queue " << queueId << " left";
        EXPECT_FALSE(shell > 0 && processIsRunning(shell)) << "shell " << shell << " left";
        EXPECT_FALSE(shell > 0 && waitpid(shell, nullptr, WNOHANG | __WALL) != -1)
            << "shell " << shell << " left for someone else to reap";
        EXPECT_FALSE(debuggee > 0 && processIsRunning(debuggee)) << "process " << debuggee;
    }
    static int named(const std::string& err, const char* pattern) {
        std::smatch match;
        return std::regex_search(err, match, std::regex(pattern)) ? std::stoi(match[1]) : -1;
    }

    const int queueId;
    const pid_t shell, debuggee;
};

} // namespace qimtest

#endif
