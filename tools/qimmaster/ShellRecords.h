//===- tools/qimmaster/ShellRecords.h - The shell's two records -*- C++ -*-===//
//
// The shell tells qimmaster about the launch with two records on qimmaster's queue: first
// a flag record (type 3, flag 1) once it has forked, then a record with the process id of
// its child (type 1), which is to become the debuggee. The shell sends them without
// waiting and there is nothing to select on, so the queue is looked at every 100 microseconds;
// the pause between looks is a wait for a signal, so the shell's end or a termination
// request is seen at once.
//
//   ShellRecords records(queue.id(), shell, wait, options.timeout);
//   records.awaitFlagRecord();
//   pid_t debuggee = records.awaitPidRecord();
//
// Each wait has its own limit. A missing or wrong record, or the shell ending first,
// throws MasterError.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TOOLS_QIMMASTER_SHELLRECORDS_H
#define QIM_TOOLS_QIMMASTER_SHELLRECORDS_H

#include <chrono>
#include <memory>
#include <sys/types.h>

class ShellMsg;

namespace qimmaster {

class EventWait;
class ShellProcess;

class ShellRecords {
public:
    /// Reads queue `queueId`, fed by `shell`; each record is awaited for up to `limit`.
    ShellRecords(int queueId, ShellProcess& shell, EventWait& wait, std::chrono::milliseconds limit)
        : _queueId(queueId), _shell(shell), _wait(wait), _limit(limit) {}

    /// Waits for the flag record: type 3 with flag 1.
    void awaitFlagRecord();
    /// Waits for the process-id record (type 1) and returns the id, which is above 0.
    pid_t awaitPidRecord();

private:
    /// The next record on the queue; `name` names it in errors.
    std::unique_ptr<ShellMsg> awaitRecord(const char* name);

    int _queueId;
    ShellProcess& _shell;
    EventWait& _wait;
    std::chrono::milliseconds _limit;
};

} // namespace qimmaster

#endif
