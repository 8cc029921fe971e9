//===- tools/qimmaster/ShellRecords.cpp - The shell's two records ---------===//
#include "tools/qimmaster/ShellRecords.h"

#include "shell/ShellExitStatus.h"
#include "shell/ShellMsg.h"
#include "tools/qimmaster/EventWait.h"
#include "tools/qimmaster/MasterError.h"
#include "tools/qimmaster/ProcessState.h"
#include "tools/qimmaster/ShellProcess.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/msg.h>
#include <sys/wait.h>

namespace qimmaster {

namespace {

/// The pause between two looks at the queue: a record waits at most this long to be seen,
/// and a look costs one system call.
constexpr std::chrono::microseconds recordPollPause{100};

[[noreturn]] void throwShellEnded(const ShellProcess& shell, const char* record) {
    std::string message = "the shell (process " + std::to_string(shell.pid()) + ") " +
                          describeEnd(shell.waitStatus()) + " before the " + record;
    if (WIFEXITED(shell.waitStatus()) && WEXITSTATUS(shell.waitStatus()) == shellGaveUpStatus)
        message += ": it rejected its command line or could not use the queue"
                   " (run with QIM_DBG_TRACE=stderr,vek to see why)";
    throw MasterError(masterFailureStatus, message);
}

[[noreturn]] void throwWrongRecord(const ShellMsg& record, const char* expected) {
    throw MasterError(masterFailureStatus, std::string("expected the ") + expected +
                                               ", received a record of type " +
                                               std::to_string(record.type()) + " with flag " +
                                               std::to_string(record.flag()) + " and value " +
                                               std::to_string(record.intValue()));
}

} // namespace

void ShellRecords::awaitFlagRecord() {
    const char* const name = "flag record (type 3, flag 1)";
    const std::unique_ptr<ShellMsg> record = awaitRecord(name);
    if (record->type() != SHELL_MSG_FLAG || record->flag() != 1)
        throwWrongRecord(*record, name);
}

pid_t ShellRecords::awaitPidRecord() {
    const char* const name = "process-id record (type 1, a process id)";
    const std::unique_ptr<ShellMsg> record = awaitRecord(name);
    if (record->type() != SHELL_MSG_INT || record->intValue() <= 0)
        throwWrongRecord(*record, name);
    return record->intValue();
}

// The shell's end is looked at before the queue: a record it sent just before it ended
// is then still taken.
std::unique_ptr<ShellMsg> ShellRecords::awaitRecord(const char* name) {
    const Deadline deadline = Clock::now() + _limit;
    for (;;) {
        const bool shellEnded = _shell.hasEnded();
        if (std::unique_ptr<ShellMsg> record = ShellMsg::receive(_queueId, IPC_NOWAIT))
            return record;
        if (errno != ENOMSG)
            throw MasterError(masterFailureStatus,
                              std::string("cannot read the queue: ") + std::strerror(errno));
        if (shellEnded)
            throwShellEnded(_shell, name);
        if (Clock::now() >= deadline)
            throwTimedOut(name, _limit);
        _wait.awaitChildEvent(std::min(deadline, Clock::now() + recordPollPause));
    }
}

} // namespace qimmaster
