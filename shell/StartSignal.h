//===- shell/StartSignal.h - The SIGFPE handshake -*- C++ -*-===//
//
// The shell's two processes and the master synchronise with one signal, SIGFPE: the
// child sends it to the parent to say it is ready, the master sends it to the child to
// let the debuggee start. Each process catches it with a handler that only sets a flag,
// and looks at the flag every 50 milliseconds.
//
// The signal is held back (blocked) from the moment its handler is installed until the
// wait: one that arrives before the wait stays pending, and the wait lets it in atomically
// as it starts to sleep, so a signal is never left unseen for a whole pause. The wait thus
// returns as soon as the signal arrives, and releases the signal when it returns. A wait
// for a signal from a process that may go away can look at that process about once a
// second and give up once it is gone.
//
//   setSignalAction(startSignal, on_start_signal);
//   holdStartSignal();
//   ...
//   waitForStartSignal();                       // or: if (!waitForStartSignalWhile(alive))
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_SHELL_STARTSIGNAL_H
#define QIM_SHELL_STARTSIGNAL_H

#include <csignal>

/// The signal of the handshake, in both directions.
constexpr int startSignal = SIGFPE;

/// 1 once this process has received the start signal.
extern volatile sig_atomic_t start_signal_received;

/// The handler: sets start_signal_received.
void on_start_signal(int);

/// Sets the action for `signal` (a handler, SIG_IGN or SIG_DFL). A handler stays installed
/// after it has run, and an interrupted sleep returns early instead of restarting.
void setSignalAction(int signal, void (*action)(int));

/// Blocks the start signal until the next waitForStartSignal(); a process forked meanwhile
/// inherits the block.
void holdStartSignal();

/// Waits until start_signal_received is set: sleeps for at most 50 milliseconds at a time
/// with the start signal let in, looking at the flag after each sleep. Unblocks the start
/// signal before it returns.
void waitForStartSignal();

/// The same wait, which also calls `senderExists` about once a second and gives up when it
/// returns false. True when the start signal came (also one that arrived just as the wait
/// gave up), false when the wait gave up without it.
bool waitForStartSignalWhile(bool (*senderExists)());

#endif
