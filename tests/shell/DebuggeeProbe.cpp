//===- tests/shell/DebuggeeProbe.cpp - A debuggee that reports what it found ---===//
//
// Started by the shell as the debuggee. Writes to the file named by its first argument
// what a debuggee can see of its launch: its process id, its arguments, the actions of
// the signals that the shell handles or ignores, and its environment, one item per line:
//
//   pid=1234
//   arg=<each further argument>
//   SIGFPE=default     (or "ignored", "handled")
//   blocked=<the numbers of the blocked signals, each followed by a blank>
//   env=<each entry>
//
// The report appears under its name only when complete, so a test can wait for the file.
//
//===----------------------------------------------------------------------------===//
#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

extern char** environ;

namespace {

const char* actionOf(int signal) {
    struct sigaction action;
    sigaction(signal, nullptr, &action);
    if (action.sa_handler == SIG_DFL)
        return "default";
    return action.sa_handler == SIG_IGN ? "ignored" : "handled";
}

std::string blockedSignals() {
    sigset_t blocked;
    sigprocmask(SIG_BLOCK, nullptr, &blocked);
    std::string numbers;
    for (int signal = 1; signal < NSIG; ++signal)
        if (sigismember(&blocked, signal) == 1)
            numbers += std::to_string(signal) + " ";
    return numbers;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const std::string report = argv[1];
    const std::string draft = report + ".draft";
    std::FILE* file = std::fopen(draft.c_str(), "w");
    if (file == nullptr)
        return 3;
    std::fprintf(file, "pid=%d\n", getpid());
    for (int i = 2; i < argc; ++i)
        std::fprintf(file, "arg=%s\n", argv[i]);
    std::fprintf(file, "SIGFPE=%s\nSIGINT=%s\nSIGQUIT=%s\n", actionOf(SIGFPE), actionOf(SIGINT),
                 actionOf(SIGQUIT));
    std::fprintf(file, "blocked=%s\n", blockedSignals().c_str());
    for (char** entry = environ; *entry != nullptr; ++entry)
        std::fprintf(file, "env=%s\n", *entry);
    std::fclose(file);
    return std::rename(draft.c_str(), report.c_str()) == 0 ? 0 : 4;
}
