//===- tools/qimmaster/TracedDebuggee.h - The debuggee under ptrace -*- C++ -*-===//
//
// Holds the debuggee of one launch: the process the shell reported, its child, which
// waits for the start signal and then execs the program. qimmaster seizes it with ptrace
// (it is a descendant, so no special privilege is needed), sends the start signal and
// follows its stops as a debugger does: signals are passed on to it, job-control stops
// are honoured, and the exec of the new image is handed to the caller while the new
// image still waits at its first instruction.
//
//   TracedDebuggee debuggee(pid);
//   debuggee.seize();                       // throws MasterError when ptrace is refused
//   debuggee.sendStartSignal();
//   if (debuggee.takeEvent() == DebuggeeEvent::Exec) debuggee.continueFromExec();
//
// Until it has ended, the holder kills the debuggee when it goes and, when it traced it,
// collects its end; this is the one place that waits for it. Without seize() the process
// is only watched (processIsGone), for systems that forbid tracing.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TOOLS_QIMMASTER_TRACEDDEBUGGEE_H
#define QIM_TOOLS_QIMMASTER_TRACEDDEBUGGEE_H

#include <sys/types.h>

namespace qimmaster {

/// What takeEvent found.
enum class DebuggeeEvent {
    Nothing, ///< no change that concerns the launch yet
    Exec,    ///< stopped after the exec of a new image, before its first instruction
    Ended,   ///< exited or killed by a signal
};

class TracedDebuggee {
public:
    /// Holds `pid`, not traced yet.
    explicit TracedDebuggee(pid_t pid) : _pid(pid) {}
    /// Kills the debuggee unless it has ended, and collects its end if it was traced.
    ~TracedDebuggee();
    TracedDebuggee(const TracedDebuggee&) = delete;
    TracedDebuggee& operator=(const TracedDebuggee&) = delete;

    pid_t pid() const { return _pid; }

    /// Takes control with PTRACE_SEIZE, reporting execs and killing the debuggee should
    /// qimmaster end; throws MasterError when that is refused.
    void seize();
    /// Lets the debuggee start: the start signal the shell's child waits for.
    void sendStartSignal();
    /// Takes every change that has happened, without waiting: signals are passed on,
    /// job-control stops are held until SIGCONT, other stops continued. Stops at an exec
    /// (the debuggee stays stopped until continueFromExec) or at the end.
    DebuggeeEvent takeEvent();
    /// Continues the debuggee from its exec stop.
    void continueFromExec();

    /// Untraced: true once the debuggee is gone (then it is never killed).
    bool isGone();

    /// The wait status of the end; meaningful after DebuggeeEvent::Ended.
    int waitStatus() const { return _waitStatus; }

private:
    /// Resumes the debuggee from a stop other than the exec stop.
    void resumeFromStop(int status);
    /// Waits until the killed debuggee's end is reported.
    void collectEnd();

    pid_t _pid;
    bool _traced = false; ///< seize() succeeded
    bool _ended = false;  ///< its end has been collected
    int _waitStatus = 0;  ///< the status of its end
};

} // namespace qimmaster

#endif
