//===- tests/utilities/sync/EventSemaphoreTest.cpp - Manual-reset event ---===//
//
// Tests of UNIX_Event_Semaphore. Tests of a post to blocked waiters first make sure, by
// looking at the waiting threads, that each is really asleep in the event before posting;
// time is measured only where time is the subject, with generous bounds.
//
//===----------------------------------------------------------------------------===//
#include "utilities/sync/UNIX_Event_Semaphore.h"

#include "tests/support/BlockedThreadProbe.h"
#include "tests/support/ThrownSemaphoreCode.h"
#include "utilities/diagnostics/ZOR_SemaphoreError.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>
#include <optional>
#include <signal.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

using blocked_thread_probe::awaitBlockedIn;
using std::chrono::seconds;
using std::chrono::steady_clock;

namespace {

static_assert(ETIMEDOUT == 110, "the timeout code is part of the event's interface");

struct TimeoutCase {
    int seconds;
    int throwOnTimeout;
    std::optional<int> thrown; // the code thrown, or nothing when 110 is returned
};

TEST(EventSemaphoreTest, UnpostedEventTimesOutAtOnceForZeroOrNegativeSeconds) {
    // Guards against a deadline not taken from time(NULL) (a wait that never ends), a
    // negative limit taken as "no limit", and throwOnTimeout ignored or inverted.
    const TimeoutCase cases[] = {
        {0, 0, std::nullopt}, {-2, 0, std::nullopt}, {-3600, 0, std::nullopt},
        {0, 1, ETIMEDOUT},    {-2, 1, ETIMEDOUT},
    };
    UNIX_Event_Semaphore event;
    for (const TimeoutCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "wait(" << c.seconds << ", " << c.throwOnTimeout << ")");
        const auto before = steady_clock::now();
        int result = -1;
        EXPECT_EQ(thrownCode([&] { result = event.wait(c.seconds, c.throwOnTimeout); }), c.thrown);
        if (!c.thrown) {
            EXPECT_EQ(result, ETIMEDOUT);
        }
        EXPECT_LT(steady_clock::now() - before, seconds(20));
    }
}

TEST(EventSemaphoreTest, TimedWaitOnUnpostedEventLastsUntilItsDeadline) {
    // Guards against a positive limit that is ignored: the deadline time(NULL) + 2 comes
    // between one and two seconds after the call.
    UNIX_Event_Semaphore event;
    const auto before = steady_clock::now();
    EXPECT_EQ(event.wait(2, 0), ETIMEDOUT);
    EXPECT_GE(steady_clock::now() - before, std::chrono::milliseconds(900));
}

TEST(EventSemaphoreTest, PostedEventLetsEveryWaitThroughUntilReset) {
    // Guards against a wait that consumes the post (an auto-reset event), a reset() that
    // does not clear it, and a second post() after a reset() that is lost.
    UNIX_Event_Semaphore event;
    event.post();
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(event.wait(), 0);
        EXPECT_EQ(event.wait(0, 1), 0);
        EXPECT_EQ(event.wait(-2, 1), 0);
    }
    event.reset();
    EXPECT_EQ(event.wait(0, 0), ETIMEDOUT);
    event.post();
    EXPECT_EQ(event.wait(0, 1), 0);
}

// Threads that wait on the event: even ones without a limit, odd ones with a limit of an hour.
class Waiters {
public:
    Waiters(UNIX_Event_Semaphore& event, int count) : event(event) {
        for (int i = 0; i < count; ++i) {
            std::promise<pid_t> tid;
            std::future<pid_t> published = tid.get_future();
            results.push_back(
                std::async(std::launch::async, [&event, i, tid = std::move(tid)]() mutable {
                    tid.set_value(gettid());
                    return i % 2 == 0 ? event.wait() : event.wait(3600, 1);
                }));
            tids.push_back(published.get());
        }
    }
    ~Waiters() {
        // Releases the threads that a failed test left waiting, so that they can be joined.
        for (auto& result : results)
            while (result.valid() &&
                   result.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
                event.post();
    }

    /// Checks that every waiter has returned, or returns within 20 s, and returned 0 (a
    /// waiter's ZOR_SemaphoreError is rethrown here and fails the test).
    void expectAllReturnedZero() {
        for (auto& result : results) {
            ASSERT_EQ(result.wait_for(seconds(20)), std::future_status::ready) << "still waiting";
            EXPECT_EQ(result.get(), 0);
        }
    }

    UNIX_Event_Semaphore& event;
    std::vector<pid_t> tids;
    std::vector<std::future<int>> results;
};

// Holds threads still inside a SIGUSR1 handler, which blocks reading a pipe until the
// park is opened. A thread interrupted so in its wait has not returned from the condition
// variable: it is still a waiter, but cannot run on until the test lets it.
class Park {
public:
    Park() {
        EXPECT_EQ(pipe(gate), 0);
        readEnd = gate[0];
        held = 0;
        struct sigaction action = {};
        action.sa_handler = waitForOpening;
        sigemptyset(&action.sa_mask);
        EXPECT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
    }
    ~Park() {
        open();
        sigaction(SIGUSR1, &previous, nullptr);
        close(gate[0]);
    }

    /// Interrupts each thread and returns once all of them are held.
    bool hold(const std::vector<pid_t>& tids) {
        for (pid_t tid : tids)
            syscall(SYS_tgkill, getpid(), tid, SIGUSR1);
        const auto giveUp = steady_clock::now() + std::chrono::minutes(1);
        while (held.load() < static_cast<int>(tids.size()) && steady_clock::now() < giveUp)
            std::this_thread::yield();
        return held.load() == static_cast<int>(tids.size());
    }

    /// Lets every held thread go on: closing the pipe ends each handler's read.
    void open() {
        if (gate[1] >= 0)
            close(gate[1]);
        gate[1] = -1;
    }

private:
    static void waitForOpening(int) {
        const int savedErrno = errno;
        held.fetch_add(1);
        char byte;
        while (read(readEnd, &byte, 1) < 0 && errno == EINTR) {
        }
        errno = savedErrno;
    }

    static inline std::atomic<int> held{0};
    static inline int readEnd = -1;
    int gate[2] = {-1, -1};
    struct sigaction previous = {};
};

TEST(EventSemaphoreTest, PostWakesEveryBlockedWaiterAndEachReturnsZero) {
    // Guards against a signal that wakes one waiter instead of a broadcast to all.
    UNIX_Event_Semaphore event;
    Waiters waiters(event, 4);
    ASSERT_TRUE(awaitBlockedIn(waiters.tids, event)) << "waiters never blocked";
    event.post();
    waiters.expectAllReturnedZero();
}

TEST(EventSemaphoreTest, PostFollowedAtOnceByResetStillReleasesEveryWaiter) {
    // Guards against a waiter that looks at the flag again after waking, and so sleeps on
    // (or times out) when reset() came first. The waiters are held still from before the
    // post until after the reset, so that none can run in between.
    UNIX_Event_Semaphore event;
    Waiters waiters(event, 4);
    Park park;
    ASSERT_TRUE(awaitBlockedIn(waiters.tids, event)) << "waiters never blocked";
    ASSERT_TRUE(park.hold(waiters.tids)) << "waiters never held";
    event.post();
    event.reset();
    park.open();
    waiters.expectAllReturnedZero();
    EXPECT_EQ(event.wait(0, 0), ETIMEDOUT) << "the reset was lost";
}

} // namespace
