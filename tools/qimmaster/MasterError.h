//===- tools/qimmaster/MasterError.h - Why a launch ended early -*- C++ -*-===//
//
// Every step of a launch that cannot go on throws a MasterError: the text a person reads
// and the exit status qimmaster ends with. It is carried up to main, which prints it; the
// holders of the queue, the shell and the debuggee clean up on the way.
//
//   throw MasterError(masterFailureStatus, "the shell ended before the flag record");
//
// The exit statuses of qimmaster besides the debuggee's own are fixed here.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TOOLS_QIMMASTER_MASTERERROR_H
#define QIM_TOOLS_QIMMASTER_MASTERERROR_H

#include <stdexcept>
#include <string>

namespace qimmaster {

/// qimmaster itself failed: a usage error, the queue, the shell, a record, ptrace, a wait.
constexpr int masterFailureStatus = 125;
/// The program could not be executed: the shell's child reported a failed exec.
constexpr int execFailureStatus = 127;
/// Added to the number of a signal that ended the debuggee or qimmaster's launch.
constexpr int signalStatusBase = 128;

class MasterError : public std::runtime_error {
public:
    /// An error that ends qimmaster with `exitStatus` after `message` is printed.
    MasterError(int exitStatus, const std::string& message)
        : std::runtime_error(message), _exitStatus(exitStatus) {}

    /// The status qimmaster exits with.
    int exitStatus() const { return _exitStatus; }

private:
    int _exitStatus;
};

} // namespace qimmaster

#endif
