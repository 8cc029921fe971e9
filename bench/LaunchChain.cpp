//===- bench/LaunchChain.cpp - The processes of a launch, without the launch -===//
//
// The floor under a launch through qimmaster: the same processes, started the same way,
// with nothing else done. As the master it spawns itself as the shell and waits; as the
// shell it forks, and the child execs the program while the parent waits. That is three
// programs started and one fork, like qimmaster, qimshell and the debuggee, but with no
// queue, no signals and no tracing: what remains of a launch's time above this floor is
// the handshake's.
//
//   launch_chain PROGRAM              (the master's part)
//   launch_chain --shell PROGRAM      (the shell's part)
//
// The exit status is the program's.
//
//===----------------------------------------------------------------------------===//
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

/// The program's exit status from a wait status; 127 when it did not exit.
int exitStatusOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 127;
}

int waitFor(pid_t child) {
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return 126;
    return exitStatusOf(status);
}

int actAsMaster(char* self, char* program) {
    char shellOption[] = "--shell";
    char* arguments[] = {self, shellOption, program, nullptr};
    pid_t shell;
    if (posix_spawn(&shell, "/proc/self/exe", nullptr, nullptr, arguments, environ) != 0)
        return 126;
    return waitFor(shell);
}

int actAsShell(char* program) {
    const pid_t child = fork();
    if (child < 0)
        return 126;
    if (child == 0) {
        char* arguments[] = {program, nullptr};
        execv(program, arguments);
        _exit(127);
    }
    return waitFor(child);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2)
        return actAsMaster(argv[0], argv[1]);
    if (argc == 3 && std::strcmp(argv[1], "--shell") == 0)
        return actAsShell(argv[2]);
    return 2;
}
