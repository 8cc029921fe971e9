//===- shell/ShellParent.cpp - The parent's side of the launch ------------===//
//
// Tells the master about the child over the master's queue, then stays alive as long as
// the master exists. The parent never waits for the child, and signals it only to end a
// child whose process id the master never learnt.
//
//===----------------------------------------------------------------------------===//
#include "shell/LaunchParameters.h"
#include "shell/LaunchSequence.h"
#include "shell/ShellExitStatus.h"
#include "shell/ShellMsg.h"
#include "shell/ShellTrace.h"
#include "shell/StartSignal.h"
#include "shell/UNIX_ShellMsgQueue.h"

#include <cerrno>
#include <sys/msg.h>
#include <unistd.h>

namespace {

/// The flag of the first record: a child process exists (or its fork was tried).
constexpr unsigned char childForkedFlag = 1;

/// Waits for the child's ready signal and sends its process id; false when it could not be
/// sent.
bool reportChild(const UNIX_ShellMsgQueue& queue, pid_t child) {
    // Ignored only now: the child was forked before, so the debuggee keeps both defaults.
    setSignalAction(SIGINT, SIG_IGN);
    setSignalAction(SIGQUIT, SIG_IGN);
    traceVEK(shellProgramPlace, __LINE__,
             "Waiting for child process %d to be ready for the start signal", child);
    waitForStartSignal();
    traceVEK(shellProgramPlace, __LINE__, "Child process %d is ready for start signal", child);
    traceVEK(shellProgramPlace, __LINE__, "Sending the debuggee pid (%d)", child);
    if (ShellIntMsg(child).send(queue.id(), IPC_NOWAIT) == 0)
        return true;
    traceVEK(shellProgramPlace, __LINE__, "Message send error, errno = %d", errno);
    return false;
}

// The master never learnt the child's process id, so nobody else could end the child,
// which would wait for its start signal for good.
void endUnreportedChild(pid_t child) {
    if (child > 0)
        kill(child, SIGKILL);
}

/// Sends the master the flag record and, when there is a child, its process id; false when
/// the master could not be told. The queue object lives only for these two sends: the
/// master ends this process with a signal during the watch that follows, and nothing the
/// parent allocated may still be held then.
bool reportToMaster(pid_t child, int forkError) {
    try {
        const UNIX_ShellMsgQueue queue(msg_key);
        ShellFlagMsg(childForkedFlag).send(queue.id(), IPC_NOWAIT);
        if (child != -1)
            return reportChild(queue, child);
        traceVEK(shellProgramPlace, __LINE__, "fork() faild.  errno = %d", forkError);
        return true;
    } catch (...) {
        traceVEK(shellProgramPlace, __LINE__, "Message queue get error, errno = %d", errno);
        return false;
    }
}

void watchMaster() {
    traceVEK(shellProgramPlace, __LINE__, "Staying alive as long as process %d is available",
             master_pid);
    do
        sleep(1);
    while (masterExists());
    traceVEK(shellProgramPlace, __LINE__, "Process %d is no longer available", master_pid);
}

} // namespace

int shell_parent(pid_t child, int forkError) {
    if (!reportToMaster(child, forkError)) {
        endUnreportedChild(child);
        return shellGaveUpResult;
    }
    watchMaster();
    return masterEndedStatus;
}
