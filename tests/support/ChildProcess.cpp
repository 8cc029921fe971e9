//===- tests/support/ChildProcess.cpp - Running code in a real child process ---===//
#include "tests/support/ChildProcess.h"

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace qimtest {

namespace {

/// Everything written to `file`, which is then closed.
std::string contentOf(std::FILE* file) {
    std::string text;
    std::rewind(file);
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        text.append(chunk, got);
    std::fclose(file);
    return text;
}

// The child writes its standard output and error into unnamed temporary files, which the
// parent reads once the child has ended: no pipe to drain while waiting, however much the
// child writes to either.
ChildResult runForked(const std::function<void()>& inChild) {
    std::FILE* const out = std::tmpfile();
    std::FILE* const err = std::tmpfile();
    if (out == nullptr || err == nullptr)
        throw std::runtime_error("tmpfile failed");
    std::fflush(nullptr); // nothing buffered in the parent may be written twice
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(fileno(out), STDOUT_FILENO);
        dup2(fileno(err), STDERR_FILENO);
        inChild();
        _exit(127);
    }
    ChildResult result;
    while (waitpid(pid, &result.waitStatus, 0) < 0 && errno == EINTR) {
    }
    result.out = contentOf(out);
    result.err = contentOf(err);
    return result;
}

} // namespace

int ChildResult::exitCode() const {
    return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
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

} // namespace qimtest
