//===- utilities/sync/CriticalSectionGuard.h - Scoped critical section -*- C++ -*-===//
//
// Holds a critical section for the lifetime of a scope: the constructor enters it and the
// destructor leaves it, so that the section is left on every way out of the scope,
// including an exception passing through.
//
//   {
//       CriticalSectionGuard guard(lock);
//       ... work on the data that `lock` protects ...
//   }
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_SYNC_CRITICALSECTIONGUARD_H
#define QIM_UTILITIES_SYNC_CRITICALSECTIONGUARD_H

#include "utilities/sync/ZOR_Critical_Section.h"

class CriticalSectionGuard {
public:
    /// Enters `section`; a failing enter() propagates and leaves nothing to undo.
    explicit CriticalSectionGuard(ZOR_Critical_Section& section) : _section(section) {
        _section.enter();
    }

    /// Leaves the section once. A failing leave() means that the guarded code has already
    /// left the section behind the guard's back or that the lock itself is broken; the
    /// destructor is noexcept, so such a failure ends the process instead of going unseen.
    ~CriticalSectionGuard() { _section.leave(); }

    CriticalSectionGuard(const CriticalSectionGuard&) = delete;
    CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

private:
    ZOR_Critical_Section& _section;
};

#endif
