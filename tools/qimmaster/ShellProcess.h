//===- tools/qimmaster/ShellProcess.h - The running qimshell -*- C++ -*-===//
//
// Holds the qimshell process of one launch from its start to its reaping. The shell's
// parent process stays alive as long as qimmaster exists, so it never ends on its own
// while qimmaster waits for it: the holder ends it with SIGTERM (SIGKILL if that is not
// enough) and reaps it, at the end of a launch or on any error path.
//
//   ShellProcess shell(shellPath, arguments, wait);   // throws MasterError
//   if (shell.hasEnded()) ... shell.waitStatus() ...
//   shell.end();                                      // or let the destructor do it
//
// This is the one place that waits for the shell.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TOOLS_QIMMASTER_SHELLPROCESS_H
#define QIM_TOOLS_QIMMASTER_SHELLPROCESS_H

#include <string>
#include <sys/types.h>
#include <vector>

namespace qimmaster {

class EventWait;

class ShellProcess {
public:
    /// Starts `program` with `arguments` (argv[1] onwards) and qimmaster's environment,
    /// with the signal mask and dispositions qimmaster started with. Throws MasterError
    /// when it cannot be started.
    ShellProcess(const std::string& program, const std::vector<std::string>& arguments,
                 EventWait& wait);
    /// Ends the shell if it still runs.
    ~ShellProcess();
    ShellProcess(const ShellProcess&) = delete;
    ShellProcess& operator=(const ShellProcess&) = delete;

    pid_t pid() const { return _pid; }
    /// True once the shell has ended; reaps it if it has, without waiting.
    bool hasEnded();
    /// The shell's wait status; meaningful once it has ended.
    int waitStatus() const { return _waitStatus; }
    /// Ends the shell: SIGTERM if it still runs, SIGKILL after a grace period, reaped.
    void end();

private:
    /// Reaps the shell if it has ended; with `block` waits for that.
    bool reap(bool block);

    EventWait& _wait;
    pid_t _pid = -1;
    bool _ended = false;
    int _waitStatus = 0;
};

} // namespace qimmaster

#endif
