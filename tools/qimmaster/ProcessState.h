//===- tools/qimmaster/ProcessState.h - How a process ended -*- C++ -*-===//
//
// For a process that was waited for, its wait status tells how it ended, which qimmaster
// both reports and passes on as its own exit status:
//
//   return exitStatusOf(status);   // 0..255, or 128 + the signal that killed it
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TOOLS_QIMMASTER_PROCESSSTATE_H
#define QIM_TOOLS_QIMMASTER_PROCESSSTATE_H

#include <string>
#include <sys/types.h>

namespace qimmaster {

/// The exit status of a process that ended with `waitStatus`, or 128 + the signal that
/// killed it.
int exitStatusOf(int waitStatus);
/// "exited with status 0", or "was killed by signal 11 (Segmentation fault)".
std::string describeEnd(int waitStatus);

} // namespace qimmaster

#endif
