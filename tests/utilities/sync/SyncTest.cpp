//===- tests/utilities/sync/SyncTest.cpp - Critical section, event, stopwatch ---===//
//
// Where a test needs other threads kept out of a section or asleep in an event, it does not
// assume so after a pause: it waits until they are seen blocked in the object.
//
//===----------------------------------------------------------------------------===//
#include "tests/support/BlockedThreadProbe.h"
#include "utilities/diagnostics/ZOR_SemaphoreError.h"
#include "utilities/sync/CriticalSectionGuard.h"
#include "utilities/sync/ElapsedTime.h"
#include "utilities/sync/UNIX_Critical_Section.h"
#include "utilities/sync/UNIX_Event_Semaphore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <optional>
#include <thread>
#include <unistd.h>

namespace {

using std::chrono::steady_clock;

/// The code of the ZOR_SemaphoreError that `call` throws (-1000 for a secondary code other
/// than 0); 0 when it throws nothing.
int thrown(const std::function<void()>& call) try {
    call();
    return 0;
} catch (const ZOR_SemaphoreError& error) {
    return error.secondaryCode() == 0 ? error.errorCode() : -1000;
}

TEST(CriticalSectionTest, OnlyTheOwnersLastLeaveLetsAnotherThreadIn) {
    // Guards against unlocking on the first leave(), a count not kept, a leave() of a
    // section not held that goes below zero, a non-owner's leave() that counts, and a guard
    // that does not enter or leave.
    UNIX_Critical_Section section;
    section.enter();
    section.leave();
    EXPECT_EQ(thrown([&] { section.leave(); }), -1) << "one leave more than entered";
    std::atomic<bool> entered{false};
    std::optional<CriticalSectionGuard> guard(std::in_place, section);
    section.enter();
    std::thread([&] { EXPECT_EQ(thrown([&] { section.leave(); }), -1) << "non-owner"; }).join();
    std::thread other([&] { entered = (CriticalSectionGuard(section), true); }); // inside
    EXPECT_TRUE(qimtest::awaitBlockedIn(section, 1, entered)) << "two leaves to go";
    section.leave();
    EXPECT_TRUE(qimtest::awaitBlockedIn(section, 1, entered)) << "the guard's leave to go";
    guard.reset();
    EXPECT_EQ(thrown([&] { section.leave(); }), -1) << "the guard did not leave";
    other.join();
}

std::atomic<int> held{0};
int gate[2];

/// Holds its thread until the gate's writing end is closed (read() then gives 0).
void holdAtTheGate(int) {
    char byte;
    ++held;
    held += static_cast<int>(read(gate[0], &byte, 1));
}

TEST(EventSemaphoreTest, WaitsTimeOutOrPassAndAPostReleasesEveryWaiterEvenIfResetAtOnce) {
    // Guards against a negative limit taken as "no limit", throwOnTimeout ignored, a positive
    // limit ignored (time(NULL) + 2 is one to two seconds away), a wait that consumes the
    // post, a reset() that does not clear it, a post that wakes one waiter, and a waiter
    // that looks at the flag again after waking: the waiters, seen asleep in the event, are
    // held in a signal handler from before the post until after the reset.
    UNIX_Event_Semaphore event;
    EXPECT_EQ(event.wait(0, 0) + event.wait(-3600, 0), 2 * ETIMEDOUT);
    EXPECT_EQ(thrown([&] { event.wait(-2, 1); }), ETIMEDOUT);
    const auto before = steady_clock::now();
    EXPECT_EQ(event.wait(2, 0), ETIMEDOUT);
    EXPECT_GE(steady_clock::now() - before, std::chrono::milliseconds(900));
    std::atomic<int> returned{0};
    std::thread waiters[4];
    for (int i = 0; i < 4; ++i)
        waiters[i] = std::thread(
            [&, i] { returned += 1 + 100 * ((i % 2 ? event.wait(3600, 1) : event.wait()) != 0); });
    EXPECT_TRUE(qimtest::awaitBlockedIn(event, 4, false)) << "the waiters never slept";
    ASSERT_EQ(pipe(gate), 0);
    signal(SIGUSR1, holdAtTheGate);
    for (std::thread& waiter : waiters)
        pthread_kill(waiter.native_handle(), SIGUSR1);
    while (held < 4)
        std::this_thread::yield();
    event.post();
    event.reset();
    close(gate[1]);
    for (auto giveUp = steady_clock::now() + std::chrono::seconds(20);
         returned < 4 && steady_clock::now() < giveUp;)
        std::this_thread::yield();
    EXPECT_EQ(returned, 4) << "a waiter slept on, or failed";
    EXPECT_EQ(event.wait(0, 0), ETIMEDOUT) << "the reset was lost";
    event.post(); // lets go a waiter that slept on, too, so that it can be joined
    EXPECT_EQ(event.wait() + event.wait(0, 1) + event.wait(-2, 1) + event.wait(), 0);
    for (std::thread& waiter : waiters)
        waiter.join();
}

TEST(ElapsedTimeTest, SecondsAndSixDigitsModulo2To32MicrosecondsMillisecondsIn64Bits) {
    // After a start at 100.250000: one wrap only, and milliseconds in 64 bits; a borrow
    // across the second, truncated milliseconds, and a shorter text than the one before; the
    // text's wrap at 2^32 us; the low bits of a negative time.
    const std::tuple<timeval, const char*, unsigned int> rows[] = {
        // clang-format off
        {{10100, 250000}, "1410.065408", 10000000}, {{101, 999}, "0.750999", 750},
        {{4395, 217296}, "0.000000", 4294967}, {{100, 249000}, "4294.966296", 1271310318}};
    // clang-format on
    ElapsedTime clock;
    clock.setStart({100, 250000});
    for (const auto& [now, text, milliseconds] : rows)
        EXPECT_EQ(clock.elapsedAt(now) + std::to_string(clock.elapsedMillisecondsAt(now)),
                  text + std::to_string(milliseconds));
    EXPECT_LT(std::stod(ElapsedTime().elapsed()), 100) << "a new clock does not start now";
}

} // namespace
