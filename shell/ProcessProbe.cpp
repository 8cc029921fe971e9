//===- shell/ProcessProbe.cpp - Whether a process is still running --------===//
#include "shell/ProcessProbe.h"

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

/// The state letter of /proc/<pid>/stat, or '\0' when it cannot be read. The command name
/// before it is in parentheses and may itself hold blanks and ')', so the state is the
/// letter after the last ')'.
char processStateLetter(pid_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr)
        return '\0';
    char line[1024];
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    const char* nameEnd = read ? std::strrchr(line, ')') : nullptr;
    return nameEnd && nameEnd[1] == ' ' ? nameEnd[2] : '\0';
}

} // namespace

bool processIsRunning(pid_t pid) {
    if (kill(pid, 0) != 0)
        return false;
    const char state = processStateLetter(pid);
    // Z: ended and waiting for its parent; X: being reaped right now. An entry that cannot be
    // read was perhaps reaped since the probe: probe once more.
    if (state == 'Z' || state == 'X')
        return false;
    return state != '\0' || kill(pid, 0) == 0;
}
