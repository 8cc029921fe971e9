//===- shell/ProcessProbe.h - Whether a process is still running -*- C++ -*-===//
//
// The shell stays alive as long as its master runs, and a master follows a debuggee that
// is not its own child. Both look at a process they cannot wait for. kill(pid, 0) alone
// would count a process that has ended but is not yet reaped (a zombie) as alive, and a
// zombie whose parent waits for output that the shell holds open would then never go.
//
//   while (processIsRunning(master)) sleep(1);
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_SHELL_PROCESSPROBE_H
#define QIM_SHELL_PROCESSPROBE_H

#include <sys/types.h>

/// True when `pid` names a process that this process may signal and that has not ended;
/// a zombie counts as ended.
bool processIsRunning(pid_t pid);

#endif
