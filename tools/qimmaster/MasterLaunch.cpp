//===- tools/qimmaster/MasterLaunch.cpp - One launch through qimshell -----===//
#include "tools/qimmaster/MasterLaunch.h"

#include "shell/ShellExitStatus.h"
#include "shell/UNIX_ShellMsgQueue.h"
#include "tools/qimmaster/EventWait.h"
#include "tools/qimmaster/ExecReport.h"
#include "tools/qimmaster/MasterError.h"
#include "tools/qimmaster/Options.h"
#include "tools/qimmaster/ProcessState.h"
#include "tools/qimmaster/ShellProcess.h"
#include "tools/qimmaster/ShellRecords.h"
#include "tools/qimmaster/Timeline.h"
#include "tools/qimmaster/TracedDebuggee.h"
#include "utilities/diagnostics/StdException.h"

#include <cstdio>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace qimmaster {

namespace {

/// How often an untraced debuggee is looked at.
constexpr std::chrono::milliseconds untracedPollInterval{10};

/// Everything one launch works with.
struct Launch {
    const MasterOptions& options;
    const Timeline& timeline;
    EventWait& wait;
};

std::string ownExecutable() {
    const std::string path = imagePath(getpid());
    if (path.empty())
        throw MasterError(masterFailureStatus, "cannot read /proc/self/exe");
    return path;
}

std::string shellBeside(const std::string& master) {
    return master.substr(0, master.rfind('/') + 1) + "qimshell";
}

std::unique_ptr<UNIX_ShellMsgQueue> createQueue(const std::string& keyPath) {
    try {
        return std::make_unique<UNIX_ShellMsgQueue>(keyPath.c_str(), 0);
    } catch (const StdException& error) {
        throw MasterError(masterFailureStatus,
                          std::string("cannot create the message queue: ") + error.text().buffer());
    }
}

std::vector<std::string> shellArguments(const MasterOptions& options, key_t key) {
    std::vector<std::string> arguments{"-FLAGS=" + std::to_string(options.flags),
                                       "-DEBUGGER_PID=" + std::to_string(getpid()),
                                       "-KEY=" + std::to_string(key)};
    if (options.ldLibraryPath)
        arguments.push_back("-LD_LIBRARY_PATH=" + *options.ldLibraryPath);
    if (options.nlsPath)
        arguments.push_back("-NLSPATH=" + *options.nlsPath);
    arguments.push_back("--");
    arguments.insert(arguments.end(), options.program.begin(), options.program.end());
    return arguments;
}

void startDebuggee(TracedDebuggee& debuggee, const Launch& launch) {
    debuggee.sendStartSignal();
    // From here on an interrupt from the terminal is the debuggee's, as under a debugger.
    launch.wait.ignoreInterrupts();
    launch.timeline.note("start signal sent to %d", debuggee.pid());
}

/// The debuggee's next exec or end; DebuggeeEvent::Nothing when `deadline` came first.
DebuggeeEvent awaitDebuggeeEvent(TracedDebuggee& debuggee, EventWait& wait, Deadline deadline) {
    for (;;) {
        const DebuggeeEvent event = debuggee.takeEvent();
        if (event != DebuggeeEvent::Nothing || !wait.awaitChildEvent(deadline))
            return event;
    }
}

[[noreturn]] void throwEndedBeforeExec(const TracedDebuggee& debuggee, const Launch& launch) {
    const int status = debuggee.waitStatus();
    const std::string& program = launch.options.program.front();
    if (WIFEXITED(status) && WEXITSTATUS(status) == execFailedStatus)
        throw MasterError(execFailureStatus,
                          program + " could not be started: the shell's child exited with "
                                    "status 99 after a failed exec (its message is on "
                                    "standard output)");
    throw MasterError(masterFailureStatus, "process " + std::to_string(debuggee.pid()) + " " +
                                               describeEnd(status) + " before the exec of " +
                                               program);
}

void continueFromExec(TracedDebuggee& debuggee, const Launch& launch) {
    launch.timeline.note("exec of %s seen", imagePath(debuggee.pid()).c_str());
    if (launch.options.stopAtEntry)
        reportExecStop(debuggee.pid(), stderr);
    debuggee.continueFromExec();
}

int traceDebuggee(TracedDebuggee& debuggee, const Launch& launch) {
    debuggee.seize();
    launch.timeline.note("process %d seized", debuggee.pid());
    startDebuggee(debuggee, launch);
    const Deadline execDeadline = Clock::now() + launch.options.timeout;
    switch (awaitDebuggeeEvent(debuggee, launch.wait, execDeadline)) {
    case DebuggeeEvent::Nothing:
        throwTimedOut("exec of " + launch.options.program.front(), launch.options.timeout);
    case DebuggeeEvent::Ended:
        throwEndedBeforeExec(debuggee, launch);
    case DebuggeeEvent::Exec:
        break;
    }
    // The program's own run has no limit; it may exec again.
    do
        continueFromExec(debuggee, launch);
    while (awaitDebuggeeEvent(debuggee, launch.wait, Deadline::max()) == DebuggeeEvent::Exec);
    launch.timeline.note("process %d %s", debuggee.pid(),
                         describeEnd(debuggee.waitStatus()).c_str());
    return exitStatusOf(debuggee.waitStatus());
}

int watchUntracedDebuggee(TracedDebuggee& debuggee, const Launch& launch) {
    startDebuggee(debuggee, launch);
    while (!debuggee.isGone())
        launch.wait.awaitChildEvent(Clock::now() + untracedPollInterval);
    launch.timeline.note("process %d is gone", debuggee.pid());
    std::fprintf(stderr,
                 "qimmaster: process %d has ended; its exit status is unknown without tracing\n",
                 debuggee.pid());
    return 0;
}

} // namespace

int runLaunch(const MasterOptions& options, const Timeline& timeline) {
    const std::string master = ownExecutable();
    EventWait wait;
    const Launch launch{options, timeline, wait};
    std::unique_ptr<UNIX_ShellMsgQueue> queue = createQueue(master);
    timeline.note("queue created (key %d, id %d)", queue->key(), queue->id());
    ShellProcess shell(shellBeside(master), shellArguments(options, queue->key()), wait);
    timeline.note("shell %d started", shell.pid());
    ShellRecords records(queue->id(), shell, wait, options.timeout);
    records.awaitFlagRecord();
    timeline.note("flag record received");
    TracedDebuggee debuggee(records.awaitPidRecord());
    timeline.note("pid record received: process %d", debuggee.pid());
    // Nothing more travels on the queue. Removed now, it does not outlive a qimmaster that
    // is killed from here on, which could not remove it any more.
    const int queueId = queue->id();
    queue.reset();
    timeline.note("queue %d removed", queueId);
    const int status = options.noPtrace ? watchUntracedDebuggee(debuggee, launch)
                                        : traceDebuggee(debuggee, launch);
    shell.end();
    timeline.note("shell %d ended", shell.pid());
    return status;
}

} // namespace qimmaster
