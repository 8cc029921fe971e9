//===- shell/ShellChild.cpp - The child's side of the launch --------------===//
//
// Runs between fork and execv: one straight sequence. Everything it needs was prepared
// before the fork; it uses the message subsystem only when the exec has failed.
//
//===----------------------------------------------------------------------------===//
#include "shell/LaunchParameters.h"
#include "shell/LaunchSequence.h"
#include "shell/ShellExitStatus.h"
#include "shell/ShellTrace.h"
#include "shell/StartSignal.h"
#include "utilities/messages/ZOR_Message.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

void traceArguments(char** args) {
    traceVEK(shellProgramPlace, __LINE__, "Shell child process... pid = %d", getpid());
    traceVEK(shellProgramPlace, __LINE__, "Args:");
    for (char** arg = args; *arg != nullptr; ++arg)
        traceVEK(shellProgramPlace, __LINE__, "  >%s<", *arg);
}

// Nobody but the master sends the start signal, so once the master is gone the child ends
// rather than wait for good: a master killed after the pid record would otherwise leave it
// behind, since the parent ends with its master and never signals the child.
void awaitStartSignal() {
    traceVEK(shellProgramPlace, __LINE__, "Waiting for start signal %d", startSignal);
    setSignalAction(startSignal, on_start_signal);
    kill(shell_pid, startSignal); // ready: the parent may now report this process
    if (!waitForStartSignalWhile(masterExists)) {
        traceVEK(shellProgramPlace, __LINE__, "Process %d is no longer available", master_pid);
        std::exit(masterGoneStatus);
    }
    setSignalAction(startSignal, SIG_DFL); // the debuggee starts with the default action
    traceVEK(shellProgramPlace, __LINE__, "Start signal %d received", startSignal);
}

// The entries handed to putenv stay in the environment: the launch parameters and the
// static text outlive the exec.
void prepareEnvironment() {
    static char bindNow[] = "LD_BIND_NOW=YES";
    if (library_path_env.length() != 0)
        putenv(reinterpret_cast<char*>(library_path_env.buffer()));
    if (nls_path_env.length() != 0)
        putenv(reinterpret_cast<char*>(nls_path_env.buffer()));
    traceVEK(shellProgramPlace, __LINE__, "About to exec with LD_BIND_NOW=YES");
    putenv(bindNow);
    unsetenv("QIM_DBG_TRACE"); // the debuggee does not inherit the shell's trace
}

[[noreturn]] void reportFailedExec(const char* program, int error) {
    traceVEK(shellProgramPlace, __LINE__, "exec() failed with errno %d", error);
    // Searched again, so that the NLSPATH just given to the debuggee is honoured.
    ZOR_Message::MessageServer::instance().set_message_file();
    const EncodedString path(program, EncodedString::Native);
    const EncodedString code = EncodedString::number(error);
    ZOR_Message message(execFailedMessage);
    message.set_inserts(&path, &code, nullptr);
    std::printf("%s\n", message.text().convertToNative().chars());
    std::exit(execFailedStatus);
}

} // namespace

void shell_child(char** args) {
    traceArguments(args);
    awaitStartSignal();
    prepareEnvironment();
    execv(args[0], args);
    reportFailedExec(args[0], errno);
}
