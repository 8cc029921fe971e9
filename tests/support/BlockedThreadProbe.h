//===- tests/support/BlockedThreadProbe.h - Is a thread asleep on a lock? -*- C++ -*-===//
//
// Lets a test know, rather than guess, that another thread is blocked inside a
// synchronization object: the thread is asleep (state S) in the futex system call on an
// address inside the object's storage. Linux only; reads /proc/self/task/<tid>/stat and
// /proc/self/task/<tid>/syscall.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SUPPORT_BLOCKEDTHREADPROBE_H
#define QIM_TESTS_SUPPORT_BLOCKEDTHREADPROBE_H

#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <sys/syscall.h>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace blocked_thread_probe {

/// Reads the first line of /proc/self/task/<tid>/<file>; empty when it cannot be read.
inline std::string readTaskFile(pid_t tid, const char* file) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%d/%s", static_cast<int>(tid), file);
    std::FILE* stream = std::fopen(path, "r");
    if (stream == nullptr)
        return std::string();
    char line[512] = {};
    const bool read = std::fgets(line, sizeof line, stream) != nullptr;
    std::fclose(stream);
    return read ? std::string(line) : std::string();
}

/// True when thread `tid` sleeps in futex() on an address inside [object, object + size).
inline bool isBlockedIn(pid_t tid, const void* object, std::size_t size) {
    // The state follows the parenthesised command name, which may itself contain blanks.
    const std::string stat = readTaskFile(tid, "stat");
    const std::size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos || nameEnd + 2 >= stat.size() || stat[nameEnd + 2] != 'S')
        return false;

    long number = -1;
    std::uintptr_t address = 0;
    const std::string call = readTaskFile(tid, "syscall");
    if (std::sscanf(call.c_str(), "%ld 0x%" SCNxPTR, &number, &address) != 2 || number != SYS_futex)
        return false;
    const auto begin = reinterpret_cast<std::uintptr_t>(object);
    return address >= begin && address < begin + size;
}

/// Waits until every thread in `tids` is blocked in `object`, seen so in two sweeps in a
/// row (a single sweep reads the threads one after another, not at one instant). Returns
/// false, without waiting longer, once `abandon()` is true or a minute has passed.
template <typename Object>
bool awaitBlockedIn(
    const std::vector<pid_t>& tids, const Object& object,
    const std::function<bool()>& abandon = [] { return false; }) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    int sweepsInARow = 0;
    while (!abandon() && std::chrono::steady_clock::now() < giveUp) {
        bool all = true;
        for (pid_t tid : tids)
            all = all && isBlockedIn(tid, &object, sizeof object);
        sweepsInARow = all ? sweepsInARow + 1 : 0;
        if (sweepsInARow == 2)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

} // namespace blocked_thread_probe

#endif
