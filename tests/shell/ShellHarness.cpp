//===- tests/shell/ShellHarness.cpp - Playing the master for the shell ----===//
#include "tests/shell/ShellHarness.h"

#include "tests/support/TextLines.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <sys/ipc.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qimtest {

namespace {

/// The pause between two looks at something the test waits for.
constexpr std::chrono::milliseconds pollPause{5};

template <typename Condition>
bool awaitCondition(std::chrono::milliseconds limit, Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(pollPause);
    }
}

std::vector<char*> pointers(const std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (const std::string& text : texts)
        result.push_back(const_cast<char*>(text.c_str()));
    result.push_back(nullptr);
    return result;
}

// Runs in the forked child until execve: only system calls.
[[noreturn]] void becomeShell(char** argv, char** envp, const char* inPath, const char* outPath,
                              const char* errPath) {
    setpgid(0, 0);
    const int in = open(inPath, O_RDONLY);
    const int out = open(outPath, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    execve(argv[0], argv, envp);
    _exit(127);
}

} // namespace

StandInMaster::StandInMaster() {
    _pid = fork();
    if (_pid < 0)
        throw std::runtime_error("fork failed");
    if (_pid == 0) {
        for (;;)
            pause();
    }
}

StandInMaster::~StandInMaster() {
    if (_pid > 0)
        end();
}

void StandInMaster::end() {
    kill(_pid, SIGKILL);
    reap(_pid);
    _endedAt = std::chrono::steady_clock::now();
    _pid = -1;
}

void StandInMaster::endAsZombie() {
    kill(_pid, SIGKILL);
    siginfo_t info;
    waitid(P_PID, static_cast<id_t>(_pid), &info, WEXITED | WNOWAIT);
}

ShellRun::ShellRun(const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment, const std::string& directory,
                   const std::string& program, const std::string& input)
    : _outPath(directory + "/shell.out"), _errPath(directory + "/shell.err") {
    // The shell's child is handed to this process when the shell ends, not to init.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> argvPointers = pointers(argv);
    std::vector<char*> envPointers = pointers(environment);
    _pid = fork();
    if (_pid < 0)
        throw std::runtime_error("fork failed");
    if (_pid == 0)
        becomeShell(argvPointers.data(), envPointers.data(), input.c_str(), _outPath.c_str(),
                    _errPath.c_str());
    setpgid(_pid, _pid); // also here, so that the group exists before either side goes on
}

ShellRun::~ShellRun() {
    kill(-_pid, SIGKILL);
    if (!_ended)
        reap(_pid);
    // The rest of the group (the shell's child) came to this process with the shell's end.
    while (waitpid(-_pid, nullptr, 0) > 0 || errno == EINTR) {
    }
}

bool ShellRun::waitForEnd(std::chrono::milliseconds limit) {
    return awaitCondition(limit, [this] { return !running(); });
}

bool ShellRun::running() {
    if (_ended)
        return false;
    const pid_t result = waitpid(_pid, &_waitStatus, WNOHANG);
    _ended = result == _pid;
    return !_ended;
}

int ShellRun::exitCode() const {
    return _ended && WIFEXITED(_waitStatus) ? WEXITSTATUS(_waitStatus) : -1;
}

int ShellRun::signal() const {
    return _ended && WIFSIGNALED(_waitStatus) ? WTERMSIG(_waitStatus) : 0;
}

int ShellRun::awaitOrphanedChild(std::chrono::milliseconds limit) {
    return awaitEnd(-_pid, limit); // any process of the group: only the child is left
}

bool ShellRun::leftNothingBehind() const {
    return kill(-_pid, 0) != 0 && errno == ESRCH;
}

std::string ShellRun::out() const {
    return readFile(_outPath);
}

std::string ShellRun::err() const {
    return readFile(_errPath);
}

Gate::Gate(const std::string& path) : _path(path) {
    // Opened for reading and writing, a FIFO opens at once, and it stays open for writing.
    if (mkfifo(path.c_str(), 0600) != 0 || (_fd = open(path.c_str(), O_RDWR | O_CLOEXEC)) < 0)
        throw std::runtime_error("cannot make the FIFO " + path);
}

Gate::~Gate() {
    close(_fd);
}

void Gate::release() {
    while (write(_fd, "\n", 1) < 0 && errno == EINTR) {
    }
}

std::vector<std::string> shellArguments(int key, pid_t master, int flags,
                                        const std::vector<std::string>& extra,
                                        const std::vector<std::string>& debuggee) {
    std::vector<std::string> arguments{"-FLAGS=" + std::to_string(flags),
                                       "-DEBUGGER_PID=" + std::to_string(master),
                                       "-KEY=" + std::to_string(key)};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    arguments.push_back("--");
    arguments.insert(arguments.end(), debuggee.begin(), debuggee.end());
    return arguments;
}

std::unique_ptr<ShellMsg> awaitRecord(int qid, std::chrono::milliseconds limit) {
    std::unique_ptr<ShellMsg> record;
    awaitCondition(limit, [&] { return (record = ShellMsg::receive(qid, IPC_NOWAIT)) != nullptr; });
    return record;
}

bool awaitFile(const std::string& path, std::chrono::milliseconds limit) {
    return awaitCondition(limit, [&] { return access(path.c_str(), F_OK) == 0; });
}

bool awaitText(const std::string& path, const std::string& text, std::chrono::milliseconds limit) {
    return awaitCondition(limit, [&] { return readFile(path).find(text) != std::string::npos; });
}

int reap(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return status;
}

int awaitEnd(pid_t pid, std::chrono::milliseconds limit) {
    int status = -1;
    awaitCondition(limit, [&] { return waitpid(pid, &status, WNOHANG) > 0; });
    return status;
}

bool exitedWith(int status, int code) {
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == code;
}

bool killedBy(int status, int signal) {
    return status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == signal;
}

void touch(const std::string& path) {
    std::ofstream{path};
}

} // namespace qimtest
