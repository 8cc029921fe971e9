//===- utilities/sync/UNIX_Event_Semaphore.cpp - Manual-reset event on POSIX threads ---===//
//
// The event's operations over one mutex and one condition variable. Each operation takes
// the mutex, does its short work on the flag, and releases it again; only wait() blocks,
// inside the condition variable, which releases the mutex while it sleeps.
//
//===----------------------------------------------------------------------------===//
#include "utilities/sync/UNIX_Event_Semaphore.h"

#include "utilities/diagnostics/ZOR_SemaphoreError.h"

#include <cerrno>
#include <ctime>

// The condition variable is zero-filled by its value-initialisation before it is set up.
UNIX_Event_Semaphore::UNIX_Event_Semaphore() : _condition{}, _posted(0), _postCount(0) {
    int error = pthread_mutex_init(&_mutex, nullptr);
    if (error != 0)
        ZOR_SemaphoreError::throwException(error);
    error = pthread_cond_init(&_condition, nullptr);
    if (error != 0) {
        // The object will not exist: release the mutex that was made for it.
        pthread_mutex_destroy(&_mutex);
        ZOR_SemaphoreError::throwException(error);
    }
}

UNIX_Event_Semaphore::~UNIX_Event_Semaphore() {
    pthread_mutex_destroy(&_mutex);
    pthread_cond_destroy(&_condition);
}

void UNIX_Event_Semaphore::lock() {
    int error = pthread_mutex_lock(&_mutex);
    if (error != 0)
        ZOR_SemaphoreError::throwException(error);
}

void UNIX_Event_Semaphore::unlock() {
    int error = pthread_mutex_unlock(&_mutex);
    if (error != 0)
        ZOR_SemaphoreError::throwException(error);
}

int UNIX_Event_Semaphore::wait(int seconds, int throwOnTimeout) {
    lock();
    if (_posted != 0) {
        unlock();
        return 0;
    }
    const int result = blockUntilPosted(seconds);
    unlock();
    if (result != 0 && (throwOnTimeout != 0 || result != ETIMEDOUT))
        ZOR_SemaphoreError::throwException(result);
    return result;
}

int UNIX_Event_Semaphore::wait() {
    return wait(-1, 1);
}

// Called with the mutex held and the event not posted; returns with the mutex held again
// (unless the condition variable itself failed), giving 0 for a post, ETIMEDOUT, or the
// error of the failed wait.
//
// A waiter must be released by every post made while it waits, even when reset() follows
// at once, so it never looks at `posted` after waking. A wake-up with no post behind it
// (the condition variable allows those) is recognised by an unchanged `postCount` and
// absorbed: the thread waits again, for the same deadline. A timeout that coincides with a
// post made during the wait counts as the post, for the waiter was there when it was made.
int UNIX_Event_Semaphore::blockUntilPosted(int seconds) {
    const std::uint32_t postsBefore = _postCount;
    timespec deadline{};
    if (seconds != -1)
        deadline.tv_sec = time(nullptr) + seconds;

    int result;
    do {
        result = seconds == -1 ? pthread_cond_wait(&_condition, &_mutex)
                               : pthread_cond_timedwait(&_condition, &_mutex, &deadline);
    } while (result == 0 && _postCount == postsBefore);

    if (result == ETIMEDOUT && _postCount != postsBefore)
        result = 0;
    return result;
}

void UNIX_Event_Semaphore::reset() {
    lock();
    _posted = 0;
    unlock();
}

void UNIX_Event_Semaphore::post() {
    lock();
    _posted = 1;
    ++_postCount;
    int error = pthread_cond_broadcast(&_condition);
    if (error != 0) {
        // The broadcast's error is the one worth reporting; the unlock is only clean-up.
        pthread_mutex_unlock(&_mutex);
        ZOR_SemaphoreError::throwException(error);
    }
    unlock();
}
