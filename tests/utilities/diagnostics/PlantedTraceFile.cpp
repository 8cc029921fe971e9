//===- tests/utilities/diagnostics/PlantedTraceFile.cpp - A link at a trace file's name ---===//
//
// Preloaded into a program by the tests of per-process trace files: it puts a symbolic link
// at the name "<directory>/<pid>.trc" that the process's trace will open, before the trace
// can open it, as another user could in a shared directory: for the process itself before
// main runs, and for each child it forks in the child right after the fork.
//
//   QIMTEST_PLANT_DIR     the trace directory
//   QIMTEST_PLANT_KIND    symlink, the only kind
//   QIMTEST_PLANT_TARGET  where the link points
//   QIMTEST_PLANT_FOR     self or child
//
// The variables are taken out of the environment at once, so that a program that the
// process execs plants nothing more. A plant that cannot be made ends the process with
// status 86, so that no test passes on a plant that never happened.
//
//===----------------------------------------------------------------------------===//
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

namespace {

// The directory, the target, for whom, and the kind: copied before main, for the variables
// themselves leave the environment at once.
const char* const names[] = {"QIMTEST_PLANT_DIR", "QIMTEST_PLANT_TARGET", "QIMTEST_PLANT_FOR",
                             "QIMTEST_PLANT_KIND"};
char values[4][4096];

void plantFor(const char* who) {
    char path[sizeof values[0] + 32];
    std::snprintf(path, sizeof path, "%s/%d.trc", values[0], static_cast<int>(getpid()));
    if (*values[0] && std::strcmp(values[2], who) == 0 && symlink(values[1], path) != 0)
        _exit(86);
}

__attribute__((constructor)) void readPlant() {
    for (int i = 0; i < 4; ++i) {
        if (const char* value = std::getenv(names[i]))
            std::snprintf(values[i], sizeof values[i], "%s", value);
        unsetenv(names[i]);
    }
    plantFor("self");
}

} // namespace

extern "C" pid_t fork() {
    static const auto systemFork = reinterpret_cast<pid_t (*)()>(dlsym(RTLD_NEXT, "fork"));
    const pid_t pid = systemFork();
    if (pid == 0)
        plantFor("child");
    return pid;
}
