//===- tools/qimmaster/MasterLaunch.h - One launch through qimshell -*- C++ -*-===//
//
// The master's side of a launch, as one straight sequence:
//
//   1. create the message queue (its key made from qimmaster's own path);
//   2. start qimshell, found beside qimmaster, with -FLAGS, -DEBUGGER_PID, -KEY, the
//      optional -LD_LIBRARY_PATH and -NLSPATH, "--" and the program;
//   3. receive the flag record, then the process id of the shell's child, and remove the
//      queue, which carries nothing more;
//   4. seize that process with ptrace and send it the start signal;
//   5. follow it through its exec to its end, passing its signals on;
//   6. end the shell.
//
//   int status = runLaunch(options, timeline);   // throws MasterError
//
// Every process and the queue live in holders, so every path, an error or a termination
// request included, kills and reaps what it started and removes the queue.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TOOLS_QIMMASTER_MASTERLAUNCH_H
#define QIM_TOOLS_QIMMASTER_MASTERLAUNCH_H

namespace qimmaster {

struct MasterOptions;
class Timeline;

/// Launches `options.program` and returns qimmaster's exit status: the debuggee's (or
/// 128 + the signal that ended it), or 0 when it ran untraced. Throws MasterError.
int runLaunch(const MasterOptions& options, const Timeline& timeline);

} // namespace qimmaster

#endif
