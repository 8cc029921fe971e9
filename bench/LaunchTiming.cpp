//===- bench/LaunchTiming.cpp - A launch through qimmaster and qimshell ---===//
//
// How long a debuggee takes from the launch request to its exit when qimmaster starts it
// through qimshell (queue handshake, ptrace, exec), against the bare minimum: posix_spawn
// of the same program and waitpid; and against the floor of the launch's own process
// structure, launch_chain, which starts as many programs and forks as often, doing
// nothing else. The kinds of launch take turns, each run in another order, so that a busy
// spell of the machine falls on all alike; the median and the 99th percentile of each are
// written as JSON on standard output.
//
//   launch_timing [--runs N] [--qimmaster PATH] [--chain PATH] [--program PATH]
//
// Every launch must exit with status 0, or the program stops with an error.
//
//===----------------------------------------------------------------------------===//
#include "bench/BenchSupport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

/// Launches of each kind made first and not counted: they bring the programs into the
/// page cache.
constexpr int warmUpRuns = 5;

struct Settings {
    int runs = 200;
    std::string qimmaster = QIM_BENCH_QIMMASTER;
    std::string chain = QIM_BENCH_CHAIN;
    std::string program = "/bin/true";
};

/// One kind of launch: a command line and the durations measured so far.
struct LaunchKind {
    const char* name;
    std::vector<std::string> arguments;
    std::vector<double> nanoseconds;
};

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "launch_timing: %s\n", message.c_str());
    std::exit(1);
}

Settings parseArguments(int argc, char** argv) {
    Settings settings;
    for (int index = 1; index + 1 < argc; index += 2) {
        const std::string option = argv[index];
        if (option == "--runs")
            settings.runs = std::atoi(argv[index + 1]);
        else if (option == "--qimmaster")
            settings.qimmaster = argv[index + 1];
        else if (option == "--chain")
            settings.chain = argv[index + 1];
        else if (option == "--program")
            settings.program = argv[index + 1];
        else
            fail("unknown option " + option);
    }
    if (argc % 2 == 0 || settings.runs <= 0)
        fail("usage: launch_timing [--runs N] [--qimmaster PATH] [--chain PATH] [--program PATH]");
    return settings;
}

/// Spawns `arguments` and waits for it; the time from the spawn to the end of the wait.
double timeLaunch(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    const int error = posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    if (error != 0)
        fail("cannot start " + arguments[0] + ": " + std::strerror(error));
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        fail("lost " + arguments[0] + ": " + std::strerror(errno));
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail(arguments[0] + " did not exit with status 0 (wait status " + std::to_string(status) +
             ")");
    return std::chrono::duration<double, std::nano>(end - start).count();
}

/// Times `runs` launches of each kind; each run starts with the next kind in turn.
void timeInTurn(std::vector<LaunchKind>& kinds, int runs) {
    for (int run = 0; run < warmUpRuns; ++run)
        for (const LaunchKind& kind : kinds)
            timeLaunch(kind.arguments);
    for (int run = 0; run < runs; ++run)
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            LaunchKind& kind = kinds[(run + k) % kinds.size()];
            kind.nanoseconds.push_back(timeLaunch(kind.arguments));
        }
}

void printKind(const LaunchKind& kind, bool last) {
    std::printf("    {\"name\": \"%s\", \"median_ns\": %.0f, \"p99_ns\": %.0f, \"min_ns\": %.0f, "
                "\"max_ns\": %.0f}%s\n",
                kind.name, qimbench::percentile(kind.nanoseconds, 0.5),
                qimbench::percentile(kind.nanoseconds, 0.99),
                qimbench::percentile(kind.nanoseconds, 0.0),
                qimbench::percentile(kind.nanoseconds, 1.0), last ? "" : ",");
}

} // namespace

int main(int argc, char** argv) {
    const Settings settings = parseArguments(argc, argv);
    std::vector<LaunchKind> kinds = {
        {"qimmaster", {settings.qimmaster, "--", settings.program}, {}},
        {"posix_spawn", {settings.program}, {}},
        {"process_chain", {settings.chain, settings.program}, {}},
    };
    timeInTurn(kinds, settings.runs);
    std::printf("{\n  \"runs\": %d,\n  \"program\": \"%s\",\n  \"launches\": [\n", settings.runs,
                settings.program.c_str());
    for (std::size_t k = 0; k < kinds.size(); ++k)
        printKind(kinds[k], k + 1 == kinds.size());
    std::printf("  ]\n}\n");
    return 0;
}
