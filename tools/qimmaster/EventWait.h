//===- tools/qimmaster/EventWait.h - Waiting for children and requests -*- C++ -*-===//
//
// qimmaster waits for two kinds of things: a change in one of its processes (SIGCHLD, for
// the shell's end and for every stop of the traced debuggee) and a request to end
// (SIGTERM, SIGHUP, SIGINT). All of them are blocked for the whole launch and taken with
// sigtimedwait, so a signal that arrives between two looks stays pending instead of being
// lost, and no wait sleeps longer than it must.
//
//   EventWait wait;                                   // blocks the signals
//   while (!recordArrived())
//       if (!wait.awaitChildEvent(shortPause))        // throws on SIGTERM
//           ...
//
// SIGQUIT is ignored: from the terminal it reaches the debuggee too, which is where it
// belongs. Once the debuggee runs, SIGINT is ignored as well, for the same reason.
// Processes started during the launch get back the original mask and dispositions.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TOOLS_QIMMASTER_EVENTWAIT_H
#define QIM_TOOLS_QIMMASTER_EVENTWAIT_H

#include <chrono>
#include <csignal>
#include <string>

namespace qimmaster {

using Clock = std::chrono::steady_clock;
/// A wait's end; Clock::time_point::max() waits as long as it takes.
using Deadline = Clock::time_point;

/// Throws the MasterError of a wait of the handshake that took longer than `limit`;
/// `awaited` names what did not come.
[[noreturn]] void throwTimedOut(const std::string& awaited, std::chrono::milliseconds limit);

class EventWait {
public:
    /// Blocks SIGCHLD and the termination requests; ignores SIGQUIT.
    EventWait();
    /// Drops requests still pending and restores the original mask and dispositions.
    ~EventWait();
    EventWait(const EventWait&) = delete;
    EventWait& operator=(const EventWait&) = delete;

    /// Waits until a child changed (true) or `deadline` passed (false). A termination
    /// request throws MasterError with 128 + the signal's number.
    bool awaitChildEvent(Deadline deadline);
    /// The same while the launch is being cleaned up: requests no longer interrupt.
    bool awaitChildEventDuringCleanUp(Deadline deadline);

    /// From now on SIGINT is the debuggee's alone: qimmaster ignores it.
    void ignoreInterrupts();

    /// The signal mask qimmaster started with, for the processes it starts.
    const sigset_t& originalMask() const { return _originalMask; }
    /// The signals whose disposition qimmaster changed, to be reset to their defaults in
    /// the processes it starts.
    const sigset_t& changedDispositions() const { return _changedDispositions; }

private:
    /// The signal taken (SIGCHLD or a request), or 0 when the deadline passed first.
    int awaitSignal(Deadline deadline);
    /// Sets `signal` to be ignored, keeping its disposition in `original` and noting it
    /// among the changed ones unless it was ignored already.
    void ignore(int signal, struct sigaction& original);

    sigset_t _watched;                   ///< SIGCHLD and the termination requests
    sigset_t _originalMask;              ///< the mask before the constructor
    sigset_t _changedDispositions;       ///< signals set to SIG_IGN here
    struct sigaction _originalQuit;      ///< SIGQUIT's disposition before the constructor
    struct sigaction _originalInterrupt; ///< SIGINT's, kept once interrupts are ignored
    bool _interruptsIgnored = false;     ///< ignoreInterrupts() has run
};

} // namespace qimmaster

#endif
