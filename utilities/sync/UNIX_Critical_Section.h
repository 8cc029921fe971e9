//===- utilities/sync/UNIX_Critical_Section.h - Recursive lock on POSIX threads -*- C++ -*-===//
//
// The POSIX threads implementation of ZOR_Critical_Section. A plain (non-recursive) mutex
// provides the exclusion; the section itself notes which thread holds it and how many times
// that thread has entered, so that only the first enter() locks the mutex and only the
// matching last leave() unlocks it. Every failing pthread call, and a leave() by a thread
// that does not hold the section, is thrown as a ZOR_SemaphoreError.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_SYNC_UNIX_CRITICAL_SECTION_H
#define QIM_UTILITIES_SYNC_UNIX_CRITICAL_SECTION_H

#include "utilities/sync/ZOR_Critical_Section.h"

#include <atomic>
#include <cstdint>
#include <pthread.h>

class UNIX_Critical_Section : public ZOR_Critical_Section {
public:
    /// Creates a free section; a failing pthread_mutex_init is thrown with its error number.
    UNIX_Critical_Section();
    /// Destroys the mutex without throwing; a section still held is reported as a warning.
    ~UNIX_Critical_Section() override;

    UNIX_Critical_Section(const UNIX_Critical_Section&) = delete;
    UNIX_Critical_Section& operator=(const UNIX_Critical_Section&) = delete;

    /// Locks the mutex unless the calling thread already holds the section.
    void enter() override;
    /// Throws -1 unless the calling thread holds the section; unlocks on the last leave.
    void leave() override;

private:
    bool isHeldBy(pthread_t thread) const;

    pthread_mutex_t _mutex;
    /// The thread that holds the section; 0 while it is free. Other threads read it without
    /// the mutex (only the holder can find itself here), so it is atomic to keep that
    /// unlocked read well defined; relaxed order suffices for that comparison.
    std::atomic<pthread_t> _owner;
    /// How many times the holder has entered without leaving.
    std::uint32_t _count;

    static_assert(std::atomic<pthread_t>::is_always_lock_free,
                  "the _owner must be readable without a lock");
};

#endif
