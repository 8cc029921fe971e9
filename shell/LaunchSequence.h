//===- shell/LaunchSequence.h - Starting the debuggee -*- C++ -*-===//
//
// Once the command line is accepted, the shell forks. The child holds still until the
// master's start signal, prepares its environment and execs the debuggee, so that the
// master can take control of it before it runs one instruction of its own. The parent
// tells the master the child's process id over the master's queue and then stays alive
// as long as the master exists:
//
//   master                      shell (parent)                 shell (child)
//     |  <-- flag record (1) ------  |  fork ------------------------> |
//     |                              |  <---------- SIGFPE (ready) --- |
//     |  <-- pid record (child) ---  |                                 |
//     |  ----------------------------------------- SIGFPE (start) --> |
//     |                              |  probes the master     execv(debuggee)
//
// All launch parameters come from LaunchParameters.h.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_SHELL_LAUNCHSEQUENCE_H
#define QIM_SHELL_LAUNCHSEQUENCE_H

#include <cstdint>
#include <sys/types.h>

/// The message that tells the person the exec failed, with the path and errno as inserts.
constexpr uint32_t execFailedMessage = 274;

/// With bit 8 in debug_flags, tells the person the shell's process id and waits for one
/// character (or end of file) on standard input, time to attach a debugger to the shell.
void waitForEnterIfAsked();

/// Forks and runs both sides. Returns the parent's result: 0 when the master has gone,
/// -1 when the master could not be told the child's process id (the child is then ended,
/// since nobody else knows it). `args` is the debuggee's path and arguments, ended by a
/// null pointer.
int launchDebuggee(char** args);

/// The child's side: waits for the start signal, prepares the environment and becomes
/// the debuggee; when that fails, prints message 274 and exits with 99. When the master is
/// gone before its start signal came, exits with 98 instead of waiting for good.
[[noreturn]] void shell_child(char** args);

/// The parent's side for the child `child` (-1 when the fork failed, `forkError` then
/// holding its errno): the two records, then the watch of the master.
int shell_parent(pid_t child, int forkError);

/// True while the master (master_pid) runs. Both sides follow it: the parent stays alive as
/// long as it exists, and the child waits for its start signal no longer than that.
bool masterExists();

#endif
