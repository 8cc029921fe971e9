//===- shell/StartSignal.h - The SIGFPE handshake -*- C++ -*-===//
//
// The shell's two processes and the master synchronise with one signal, SIGFPE: the
// child sends it to the parent to say it is ready, the master sends it to the child to
// let the debuggee start. Each process catches it with a handler that only sets a flag,
// and polls the flag every 50 milliseconds.
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

/// Polls start_signal_received every 50 milliseconds until it is set; an interrupted
/// sleep simply resumes the polling.
void waitForStartSignal();

#endif
