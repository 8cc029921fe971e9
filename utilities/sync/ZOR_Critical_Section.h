//===- utilities/sync/ZOR_Critical_Section.h - Critical section interface -*- C++ -*-===//
//
// The abstract interface of a recursive critical section: mutual exclusion that the thread
// holding it may enter again, and must then leave as many times as it entered. Code that
// only needs to serialise its work (the string pool manager, for one) depends on this
// interface; UNIX_Critical_Section is the implementation on POSIX threads.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_SYNC_ZOR_CRITICAL_SECTION_H
#define QIM_UTILITIES_SYNC_ZOR_CRITICAL_SECTION_H

class ZOR_Critical_Section {
public:
    virtual ~ZOR_Critical_Section() = default;

    /// Takes the section, blocking while another thread holds it; the holder may enter again.
    virtual void enter() = 0;
    /// Undoes one enter() by the holder; the last one frees the section for other threads.
    virtual void leave() = 0;
};

#endif
