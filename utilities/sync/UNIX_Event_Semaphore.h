//===- utilities/sync/UNIX_Event_Semaphore.h - Manual-reset event on POSIX threads -*- C++ -*-===//
//
// The POSIX threads implementation of ZOR_Event_Semaphore: a `posted` flag guarded by a
// mutex, and a condition variable on which waiters block until a post broadcasts it. Every
// failing pthread call is thrown as a ZOR_SemaphoreError carrying its error number.
//
// A waiter that was blocked when post() ran returns 0 even when reset() follows the post
// at once: it does not look at `posted` again after it wakes. It does, however, tell a post
// from a wake-up that the condition variable allows without one (a spurious wake-up), by
// the count of posts made so far, and goes back to waiting after the latter.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_SYNC_UNIX_EVENT_SEMAPHORE_H
#define QIM_UTILITIES_SYNC_UNIX_EVENT_SEMAPHORE_H

#include "utilities/sync/ZOR_Event_Semaphore.h"

#include <cstdint>
#include <pthread.h>

class UNIX_Event_Semaphore : public ZOR_Event_Semaphore {
public:
    /// Creates an event that is not posted; a failing pthread init is thrown.
    UNIX_Event_Semaphore();
    /// Destroys the mutex and the condition variable without throwing. Threads still
    /// waiting are the caller's error; they are neither released nor reported.
    ~UNIX_Event_Semaphore() override;

    UNIX_Event_Semaphore(const UNIX_Event_Semaphore&) = delete;
    UNIX_Event_Semaphore& operator=(const UNIX_Event_Semaphore&) = delete;

    /// Returns 0 at once if posted; otherwise blocks until a post, or until the second
    /// time(NULL) + `seconds` begins (up to one second early). `seconds` -1 means no limit;
    /// any other negative value times out at once. A timeout returns ETIMEDOUT (110) when
    /// `throwOnTimeout` is 0 and throws it otherwise.
    int wait(int seconds, int throwOnTimeout) override;
    /// wait(-1, 1), called through the virtual slot.
    int wait() override;
    /// Clears the event.
    void reset() override;
    /// Sets the event and wakes every waiter.
    void post() override;

private:
    void lock();
    void unlock();
    int blockUntilPosted(int seconds);

    pthread_mutex_t _mutex;
    pthread_cond_t _condition;
    /// 1 after post(), 0 after construction and after reset(); guarded by `mutex`.
    std::int32_t _posted;
    /// How many times post() has run, modulo 2^32; guarded by `mutex`. A waiter compares it
    /// with the value it saw before blocking to know whether its wake-up came from a post.
    std::uint32_t _postCount;
};

#endif
