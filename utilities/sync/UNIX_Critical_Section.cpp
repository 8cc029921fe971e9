//===- utilities/sync/UNIX_Critical_Section.cpp - Recursive lock on POSIX threads ---===//
//
// Recursive enter and leave over a default pthread mutex. The mutex is locked once per
// holder, by its first enter(), and unlocked once, by its last leave(); in between, the
// holder only counts. The owner and the count change only while the holder has the mutex.
//
//===----------------------------------------------------------------------------===//
#include "utilities/sync/UNIX_Critical_Section.h"

#include "utilities/diagnostics/TraceEntry.h"
#include "utilities/diagnostics/ZOR_SemaphoreError.h"

UNIX_Critical_Section::UNIX_Critical_Section() : _owner(pthread_t()), _count(0) {
    int error = pthread_mutex_init(&_mutex, nullptr);
    if (error != 0)
        ZOR_SemaphoreError::throwException(error);
}

// A section should be free when it is destroyed. When the destroying thread still holds it
// (a leave() was missed), the mutex is unlocked first, so that it is never destroyed while
// locked. A section held by another thread is a caller's error that cannot be repaired
// here: that thread would go on to use a destroyed lock. Both cases are reported as a
// warning; the result of pthread_mutex_destroy is not examined and nothing is thrown.
UNIX_Critical_Section::~UNIX_Critical_Section() {
    if (isHeldBy(pthread_self())) {
        traceWarning(__PRETTY_FUNCTION__, __LINE__,
                     "critical section destroyed while its thread has entered it %u times",
                     static_cast<unsigned int>(_count));
        _count = 0;
        _owner.store(pthread_t(), std::memory_order_relaxed);
        pthread_mutex_unlock(&_mutex);
    } else if (!isHeldBy(pthread_t())) {
        traceWarning(__PRETTY_FUNCTION__, __LINE__,
                     "critical section destroyed while another thread holds it");
    }
    pthread_mutex_destroy(&_mutex);
}

bool UNIX_Critical_Section::isHeldBy(pthread_t thread) const {
    return pthread_equal(_owner.load(std::memory_order_relaxed), thread) != 0;
}

void UNIX_Critical_Section::enter() {
    const pthread_t self = pthread_self();
    if (isHeldBy(self)) {
        ++_count;
        return;
    }
    int error = pthread_mutex_lock(&_mutex);
    if (error != 0)
        ZOR_SemaphoreError::throwException(error);
    _count = 1;
    _owner.store(self, std::memory_order_relaxed);
}

void UNIX_Critical_Section::leave() {
    if (!isHeldBy(pthread_self()))
        ZOR_SemaphoreError::throwException(-1);
    if (--_count > 0)
        return;
    _owner.store(pthread_t(), std::memory_order_relaxed);
    int error = pthread_mutex_unlock(&_mutex);
    if (error != 0)
        ZOR_SemaphoreError::throwException(error);
}
