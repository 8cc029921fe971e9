//===- shell/UNIX_ShellPgm.cpp - The launcher shell's entry point ---------===//
//
// qimshell: started by the master to launch one debuggee. Reads its command line,
// checks it, and hands over to the launch sequence. It reports only through its trace
// (QIM_DBG_TRACE) and its exit status: 0 when the master has gone, 255 for a rejected
// command line or a master that could not be told, 99 from a child whose exec failed, 98
// from a child whose master went away before the start signal.
//
//===----------------------------------------------------------------------------===//
#include "shell/LaunchParameters.h"
#include "shell/LaunchSequence.h"
#include "shell/ShellExitStatus.h"
#include "shell/ShellTrace.h"
#include "utilities/diagnostics/TraceImplementation.h"

#include <unistd.h>

namespace {

void traceStartUp(int argc, char** argv) {
    traceVEK(shellProgramPlace, __LINE__, "Starting....  pid = %d", shell_pid);
    traceVEK(shellProgramPlace, __LINE__, "Parms:");
    for (int i = 0; i < argc; ++i)
        traceVEK(shellProgramPlace, __LINE__, "  %s", argv[i]);
}

} // namespace

int main(int argc, char** argv) {
    shell_pid = getpid();
    TraceImplementation::start(nullptr);
    traceStartUp(argc, argv);
    const ParameterScan scan = readParameters(argc, argv);
    if (!parametersComplete(scan, argc))
        return shellGaveUpResult;
    waitForEnterIfAsked();
    return launchDebuggee(argv + scan.debuggee_index);
}
