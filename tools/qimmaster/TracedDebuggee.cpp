//===- tools/qimmaster/TracedDebuggee.cpp - The debuggee under ptrace -----===//
#include "tools/qimmaster/TracedDebuggee.h"

#include "shell/ProcessProbe.h"
#include "shell/StartSignal.h"
#include "tools/qimmaster/MasterError.h"
#include "tools/qimmaster/ProcessState.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <sys/ptrace.h>
#include <sys/wait.h>

namespace qimmaster {

namespace {

std::string processName(pid_t pid) {
    return "process " + std::to_string(pid);
}

bool isExecStop(int status) {
    return WIFSTOPPED(status) && status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXEC << 8));
}

bool isJobControlStop(int signal) {
    return signal == SIGSTOP || signal == SIGTSTP || signal == SIGTTIN || signal == SIGTTOU;
}

// The ptrace request fails only when the debuggee died meanwhile (ESRCH), and then its
// end is the next thing waitpid reports; nothing is to be done about it here.
void resume(pid_t pid, __ptrace_request request, int signal) {
    ptrace(request, pid, nullptr, reinterpret_cast<void*>(static_cast<long>(signal)));
}

/// The options of the seize: exec stops, and the debuggee dies with qimmaster.
void* const seizeOptions =
    reinterpret_cast<void*>(static_cast<long>(PTRACE_O_TRACEEXEC | PTRACE_O_EXITKILL));

} // namespace

TracedDebuggee::~TracedDebuggee() {
    if (_ended)
        return;
    kill(_pid, SIGKILL);
    // Untraced, it is the shell's child alone: its end is the shell's to collect.
    if (_traced)
        collectEnd();
}

void TracedDebuggee::seize() {
    if (ptrace(PTRACE_SEIZE, _pid, nullptr, seizeOptions) != 0)
        throw MasterError(masterFailureStatus,
                          "cannot trace " + processName(_pid) + ": " + std::strerror(errno) +
                              " (where tracing is not allowed, try --no-ptrace)");
    _traced = true;
}

void TracedDebuggee::sendStartSignal() {
    if (kill(_pid, startSignal) != 0)
        throw MasterError(masterFailureStatus, "cannot send the start signal to " +
                                                   processName(_pid) + ": " + std::strerror(errno));
}

DebuggeeEvent TracedDebuggee::takeEvent() {
    for (;;) {
        int status = 0;
        const pid_t result = waitpid(_pid, &status, __WALL | WNOHANG);
        if (result == 0)
            return DebuggeeEvent::Nothing;
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0)
            throw MasterError(masterFailureStatus,
                              "cannot wait for " + processName(_pid) + ": " + std::strerror(errno));
        if (WIFEXITED(status) || WIFSIGNALED(status)) {
            _ended = true;
            _waitStatus = status;
            return DebuggeeEvent::Ended;
        }
        if (isExecStop(status))
            return DebuggeeEvent::Exec;
        resumeFromStop(status);
    }
}

void TracedDebuggee::continueFromExec() {
    resume(_pid, PTRACE_CONT, 0);
}

bool TracedDebuggee::isGone() {
    if (!_ended)
        _ended = !processIsRunning(_pid);
    return _ended;
}

// A seized process reports a group-stop as PTRACE_EVENT_STOP. A job-control stop is held
// with PTRACE_LISTEN, so that the debuggee stays stopped until SIGCONT as it would
// untraced; any other event stop is simply continued. A signal-delivery-stop passes the
// signal on: the start signal must reach the shell child's handler, and every other
// signal belongs to the debuggee as well.
void TracedDebuggee::resumeFromStop(int status) {
    const int event = status >> 16;
    const int signal = WSTOPSIG(status);
    if (event == PTRACE_EVENT_STOP && isJobControlStop(signal))
        resume(_pid, PTRACE_LISTEN, 0);
    else if (event != 0)
        resume(_pid, PTRACE_CONT, 0);
    else
        resume(_pid, PTRACE_CONT, signal);
}

void TracedDebuggee::collectEnd() {
    for (;;) {
        int status = 0;
        const pid_t result = waitpid(_pid, &status, __WALL);
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0 || WIFEXITED(status) || WIFSIGNALED(status))
            break;
    }
    _ended = true;
}

} // namespace qimmaster
