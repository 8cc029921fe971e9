//===- utilities/diagnostics/ErrnoKeeper.h - Keeping errno across a scope -*- C++ -*-===//
//
// Tracing must never change errno, so that a caller may trace a failed system call and
// still act on its errno afterwards. An ErrnoKeeper notes errno when it is made and puts
// it back when its scope ends, whichever way the scope is left.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_DIAGNOSTICS_ERRNOKEEPER_H
#define QIM_UTILITIES_DIAGNOSTICS_ERRNOKEEPER_H

#include <cerrno>

class ErrnoKeeper {
public:
    ErrnoKeeper() : _saved(errno) {}
    ~ErrnoKeeper() { errno = _saved; }
    ErrnoKeeper(const ErrnoKeeper&) = delete;
    ErrnoKeeper& operator=(const ErrnoKeeper&) = delete;

private:
    int _saved;
};

#endif
