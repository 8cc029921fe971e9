//===- shell/ShellExitStatus.h - How the shell's processes end -*- C++ -*-===//
//
// The exit statuses of the shell's two processes, part of what a master reads of a launch.
// The parent ends with 0 once the master is gone, and gives up with -1, which its waiter
// sees as 255. The child ends only when it does not become the debuggee: with 99 after a
// failed exec, with 98 when the master went away before the start signal.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_SHELL_SHELLEXITSTATUS_H
#define QIM_SHELL_SHELLEXITSTATUS_H

/// The parent: the master is gone.
constexpr int masterEndedStatus = 0;
/// The parent: the command line was rejected, or the queue failed it. What main returns.
constexpr int shellGaveUpResult = -1;
/// shellGaveUpResult as the parent's waiter sees it.
constexpr int shellGaveUpStatus = static_cast<unsigned char>(shellGaveUpResult);
/// The child: its exec failed, and it printed message 274.
constexpr int execFailedStatus = 99;
/// The child: the master went away before it sent the start signal, so the debuggee was
/// never started. Not 99, which says that an exec was tried and failed.
constexpr int masterGoneStatus = 98;

#endif
