//===- shell/LaunchSequence.cpp - Starting the debuggee -------------------===//
#include "shell/LaunchSequence.h"

#include "shell/LaunchParameters.h"
#include "shell/ProcessProbe.h"
#include "shell/StartSignal.h"
#include "utilities/diagnostics/TraceImplementation.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

void waitForEnterIfAsked() {
    if ((debug_flags & waitForEnterFlag) == 0)
        return;
    std::printf("Waiting for debugger to attach.  Process id = %d\n", getpid());
    std::printf("Press enter when ready\n");
    // Shown before the wait, and not left in the buffer for both processes to write again.
    std::fflush(stdout);
    std::getc(stdin);
}

// A process id of 0 or below names a process group or every process rather than the
// master, so probing it would keep the shell alive for good: it counts as gone.
bool masterExists() {
    return master_pid > 0 && processIsRunning(master_pid);
}

int launchDebuggee(char** args) {
    // Installed and held back before the fork, so that both are in place in both processes
    // before the child can send its ready signal.
    setSignalAction(startSignal, on_start_signal);
    holdStartSignal();
    std::fflush(nullptr);
    const pid_t child = fork();
    const int forkError = errno;
    if (child == 0) {
        TraceImplementation::instance()->processForked();
        shell_child(args);
    }
    return shell_parent(child, forkError);
}
