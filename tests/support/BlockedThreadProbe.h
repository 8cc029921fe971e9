//===- tests/support/BlockedThreadProbe.h - Are threads asleep on a lock? -*- C++ -*-===//
//
// Lets a test know, rather than guess, that other threads are blocked inside a
// synchronization object: /proc/self/task/<tid>/syscall shows each blocked in the futex
// system call on an address inside the object. Linux only.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SUPPORT_BLOCKEDTHREADPROBE_H
#define QIM_TESTS_SUPPORT_BLOCKEDTHREADPROBE_H

#include <filesystem>
#include <fstream>
#include <sys/syscall.h>
#include <thread>

namespace qimtest {

/// Waits until `count` threads of the process are asleep in `object`, seen so in two sweeps
/// in a row; false once `gotIn` (a bool or an atomic one) is true, or after a minute.
template <typename Object, typename Flag>
bool awaitBlockedIn(const Object& object, int count, const Flag& gotIn) {
    const auto begin = reinterpret_cast<std::uintptr_t>(&object);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    for (int sweeps = 0; sweeps < 2; std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
        int asleep = 0;
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            // "<call> <first argument> ...", or "running"; a futex's address comes first.
            unsigned long call = 0, address = 0;
            std::ifstream(task.path() / "syscall") >> call >> std::hex >> address;
            asleep += call == SYS_futex && address - begin < sizeof object;
        }
        sweeps = asleep == count ? sweeps + 1 : 0;
        if (gotIn || std::chrono::steady_clock::now() > giveUp)
            return false;
    }
    return true;
}

} // namespace qimtest

#endif
