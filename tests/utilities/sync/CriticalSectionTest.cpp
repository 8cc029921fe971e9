//===- tests/utilities/sync/CriticalSectionTest.cpp - Recursive critical section ---===//
//
// Tests of UNIX_Critical_Section and CriticalSectionGuard. Where a test needs another
// thread to be kept out, it does not assume so after a pause: it waits until that thread
// is seen asleep on the section's mutex, and fails if the thread gets in instead.
//
//===----------------------------------------------------------------------------===//
#include "utilities/sync/CriticalSectionGuard.h"
#include "utilities/sync/UNIX_Critical_Section.h"

#include "tests/support/BlockedThreadProbe.h"
#include "tests/support/ThrownSemaphoreCode.h"
#include "utilities/diagnostics/ZOR_SemaphoreError.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using blocked_thread_probe::awaitBlockedIn;

namespace {

// Another thread that enters the section once, notes that it got in, and leaves.
class Intruder {
public:
    explicit Intruder(ZOR_Critical_Section& section)
        : published(tid.get_future()), thread([this, &section] {
              tid.set_value(gettid());
              section.enter();
              entered = true;
              section.leave();
          }),
          id(published.get()) {}
    ~Intruder() { finish(); }

    /// Waits for the thread to have entered and left.
    void finish() {
        if (thread.joinable())
            thread.join();
    }

    /// True once the thread is asleep waiting to enter; false if it got in instead.
    bool keptOutOf(const UNIX_Critical_Section& section) {
        return awaitBlockedIn({id}, section, [this] { return entered.load(); });
    }

    std::promise<pid_t> tid;
    std::future<pid_t> published;
    std::atomic<bool> entered{false};
    std::thread thread;
    pid_t id;
};

TEST(CriticalSectionTest, OnlyTheLastOfThreeLeavesLetsAnotherThreadIn) {
    // Guards against unlocking on the first leave(), or not counting repeated entries.
    UNIX_Critical_Section section;
    section.enter();
    section.enter();
    section.enter();
    Intruder other(section);
    for (int leavesToGo = 3; leavesToGo > 1; --leavesToGo) {
        ASSERT_TRUE(other.keptOutOf(section)) << "got in with " << leavesToGo << " leaves to go";
        section.leave();
    }
    ASSERT_TRUE(other.keptOutOf(section));
    section.leave();
    other.finish();
    EXPECT_TRUE(other.entered);
}

TEST(CriticalSectionTest, LeaveWithoutHoldingTheSectionThrowsMinusOne) {
    // Guards against a count that goes below zero, or a leave() that does not check the owner.
    UNIX_Critical_Section section;
    EXPECT_EQ(thrownCode([&] { section.leave(); }), -1) << "fresh section";
    section.enter();
    section.enter();
    section.leave();
    section.leave();
    EXPECT_EQ(thrownCode([&] { section.leave(); }), -1) << "one leave more than entered";
    section.enter();
    EXPECT_EQ(thrownCode([&] { section.leave(); }), std::nullopt) << "section not reusable";
}

TEST(CriticalSectionTest, LeaveByANonOwnerThrowsMinusOneAndChangesNothing) {
    // Guards against a non-owner's leave() that decrements the count or unlocks the mutex.
    UNIX_Critical_Section section;
    section.enter();
    section.enter();
    std::optional<int> code;
    std::thread([&] { code = thrownCode([&] { section.leave(); }); }).join();
    EXPECT_EQ(code, -1);

    section.leave();
    Intruder other(section);
    EXPECT_TRUE(other.keptOutOf(section)) << "the non-owner's leave() was counted";
    section.leave();
}

TEST(CriticalSectionTest, TwoThreadsIncrementingUnderTheSectionLoseNoUpdate) {
    // Guards against a section that lets two threads in at once (the owner test passing for
    // the wrong thread, say); nested entries exercise the recursive path under contention.
    UNIX_Critical_Section section;
    ZOR_Critical_Section& lock = section;
    constexpr int perThread = 100000;
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < perThread; ++i) {
            lock.enter();
            lock.enter();
            const long seen = counter;
            counter = seen + 1;
            lock.leave();
            lock.leave();
        }
    };
    std::thread first(work), second(work);
    first.join();
    second.join();
    EXPECT_EQ(counter, 2L * perThread);
}

// Notes the calls that a guard makes on its section.
class RecordingSection : public ZOR_Critical_Section {
public:
    void enter() override { calls += "enter;"; }
    void leave() override { calls += "leave;"; }
    std::string calls;
};

TEST(CriticalSectionGuardTest, EntersOnConstructionAndLeavesOnceOnDestruction) {
    // Guards against a guard that enters late, leaves twice, or never leaves.
    RecordingSection section;
    {
        CriticalSectionGuard guard(section);
        EXPECT_EQ(section.calls, "enter;");
    }
    EXPECT_EQ(section.calls, "enter;leave;");
}

TEST(CriticalSectionGuardTest, LeavesTheSectionWhenAnExceptionPassesThrough) {
    // Guards against a lock left held by a scope that was exited by an exception.
    UNIX_Critical_Section section;
    EXPECT_THROW(
        {
            CriticalSectionGuard guard(section);
            throw std::runtime_error("failure inside the guarded scope");
        },
        std::runtime_error);
    EXPECT_EQ(thrownCode([&] { section.leave(); }), -1) << "the guard did not leave";
}

} // namespace
