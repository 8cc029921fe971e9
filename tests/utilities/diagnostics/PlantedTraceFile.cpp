//===- tests/utilities/diagnostics/PlantedTraceFile.cpp - Something at a trace file's name ---===//
//
// Preloaded into a program by the tests of per-process trace files: it puts something at
// the name "<directory>/<pid>.trc" that the process's trace will open, before the trace
// can open it, as another user could in a shared directory. For the process itself it
// plants before main runs, and for each child it forks, in the child right after the fork:
// both come before the first record of the process.
//
//   QIMTEST_PLANT_DIR     the trace directory
//   QIMTEST_PLANT_KIND    symlink (to TARGET), hardlink (to TARGET), fifo, fifo-read (a
//                         FIFO whose reading end the process holds; at exit, whatever
//                         reached it is copied to standard output), or file (holding the
//                         text TARGET)
//   QIMTEST_PLANT_TARGET  see the kind
//   QIMTEST_PLANT_FOR     self, child or both
//
// The variables are taken out of the environment at once, so that a program that the
// process execs plants nothing more. A plant that cannot be made ends the process with
// status 86, so that no test passes on a plant that never happened. With a FIFO, an alarm
// of 30 seconds ends a process that blocks on it.
//
//===----------------------------------------------------------------------------===//
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// What to plant, read from the environment before main.
struct Plant {
    std::string directory;
    std::string kind;
    std::string target;
    bool forSelf = false;
    bool forChildren = false;
};

Plant& plant() {
    static Plant configured;
    return configured;
}

/// The reading end of a planted FIFO; -1 when there is none.
int& fifoReader() {
    static int fd = -1;
    return fd;
}

void copyFifoToStandardOutput() {
    char chunk[4096];
    for (ssize_t got; (got = read(fifoReader(), chunk, sizeof chunk)) > 0;)
        if (write(STDOUT_FILENO, chunk, static_cast<std::size_t>(got)) != got)
            return;
}

std::string takeVariable(const char* name) {
    const char* value = std::getenv(name);
    std::string text = value ? value : "";
    unsetenv(name);
    return text;
}

bool writeText(const std::string& path, const std::string& text) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return close(fd) == 0 && written;
}

bool makeAt(const std::string& path) {
    const Plant& what = plant();
    if (what.kind == "symlink")
        return symlink(what.target.c_str(), path.c_str()) == 0;
    if (what.kind == "hardlink")
        return link(what.target.c_str(), path.c_str()) == 0;
    if (what.kind == "fifo") {
        alarm(30);
        return mkfifo(path.c_str(), 0600) == 0;
    }
    if (what.kind == "fifo-read") {
        if (mkfifo(path.c_str(), 0600) != 0)
            return false;
        fifoReader() = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        return fifoReader() >= 0 && std::atexit(copyFifoToStandardOutput) == 0;
    }
    if (what.kind == "file")
        return writeText(path, what.target);
    return false;
}

void plantForThisProcess() {
    const std::string path = plant().directory + "/" + std::to_string(getpid()) + ".trc";
    if (makeAt(path))
        return;
    std::fprintf(stderr, "cannot plant a %s at %s\n", plant().kind.c_str(), path.c_str());
    _exit(86);
}

__attribute__((constructor)) void readPlant() {
    Plant& what = plant();
    what.directory = takeVariable("QIMTEST_PLANT_DIR");
    what.kind = takeVariable("QIMTEST_PLANT_KIND");
    what.target = takeVariable("QIMTEST_PLANT_TARGET");
    const std::string who = takeVariable("QIMTEST_PLANT_FOR");
    what.forSelf = who == "self" || who == "both";
    what.forChildren = who == "child" || who == "both";
    if (what.forSelf && !what.directory.empty())
        plantForThisProcess();
}

} // namespace

extern "C" pid_t fork() {
    using Fork = pid_t (*)();
    static const Fork systemFork = reinterpret_cast<Fork>(dlsym(RTLD_NEXT, "fork"));
    const pid_t pid = systemFork();
    if (pid == 0 && plant().forChildren && !plant().directory.empty())
        plantForThisProcess();
    return pid;
}
