//===- utilities/sync/ZOR_Event_Semaphore.h - Event semaphore interface -*- C++ -*-===//
//
// The abstract interface of a manual-reset event: a flag that threads wait on until another
// thread posts it. A posted event stays posted, letting every later wait through at once,
// until it is reset. UNIX_Event_Semaphore is the implementation on POSIX threads.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_SYNC_ZOR_EVENT_SEMAPHORE_H
#define QIM_UTILITIES_SYNC_ZOR_EVENT_SEMAPHORE_H

class ZOR_Event_Semaphore {
public:
    virtual ~ZOR_Event_Semaphore() = default;

    /// Waits until the event is posted or about `seconds` have passed (-1: no limit).
    /// Returns 0 for a post; a timeout returns ETIMEDOUT, or throws it if `throwOnTimeout`.
    virtual int wait(int seconds, int throwOnTimeout) = 0;
    /// Waits without a time limit until the event is posted; returns 0.
    virtual int wait() = 0;
    /// Clears the event, so that later waits block again.
    virtual void reset() = 0;
    /// Sets the event and releases every thread waiting on it.
    virtual void post() = 0;
};

#endif
