//===- tests/support/ChildProcess.cpp - Running code in a real child process ---===//
#include "tests/support/ChildProcess.h"

#include <cerrno>
#include <cstdio>
#include <grp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace qimtest {

namespace {

/// The two pipes that capture a child's standard output and standard error.
class CapturePipes {
public:
    CapturePipes() {
        if (pipe(_out) != 0 || pipe(_err) != 0)
            throw std::runtime_error("pipe failed");
    }

    /// In the child: makes the pipes its standard output and error.
    void attachInChild() {
        dup2(_out[1], STDOUT_FILENO);
        dup2(_err[1], STDERR_FILENO);
        closeAll();
    }

    /// In the parent: reads both pipes until the child has closed them.
    void collectInParent(ChildResult& result) {
        close(_out[1]);
        close(_err[1]);
        pollfd fds[2] = {{_out[0], POLLIN, 0}, {_err[0], POLLIN, 0}};
        std::string* sinks[2] = {&result.out, &result.err};
        int open = 2;
        while (open > 0) {
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0)
                    continue;
                char chunk[4096];
                const ssize_t got = read(fds[i].fd, chunk, sizeof chunk);
                if (got > 0) {
                    sinks[i]->append(chunk, static_cast<std::size_t>(got));
                } else if (got == 0 || errno != EINTR) {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }

private:
    void closeAll() {
        for (int fd : {_out[0], _out[1], _err[0], _err[1]})
            close(fd);
    }

    int _out[2];
    int _err[2];
};

ChildResult runForked(const std::function<void()>& inChild) {
    CapturePipes pipes;
    std::fflush(nullptr); // nothing buffered in the parent may be written twice
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        pipes.attachInChild();
        inChild();
        _exit(127);
    }
    ChildResult result;
    pipes.collectInParent(result);
    while (waitpid(pid, &result.waitStatus, 0) < 0 && errno == EINTR) {
    }
    return result;
}

} // namespace

bool ChildResult::exited() const {
    return WIFEXITED(waitStatus);
}

int ChildResult::exitCode() const {
    return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
}

int ChildResult::signal() const {
    return WIFSIGNALED(waitStatus) ? WTERMSIG(waitStatus) : 0;
}

ChildResult runInChild(const std::function<int()>& body) {
    return runForked([&body] {
        const int status = body();
        std::fflush(nullptr);
        _exit(status);
    });
}

ChildResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment) {
    // Everything execve needs is built before the fork.
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    return runForked([&] {
        execve(program.c_str(), argv.data(), envp.data());
        std::perror("execve");
    });
}

bool dropRootPrivileges() {
    if (geteuid() != 0)
        return true;
    constexpr uid_t nobody = 65534;
    return setgroups(0, nullptr) == 0 && setgid(nobody) == 0 && setuid(nobody) == 0;
}

} // namespace qimtest
