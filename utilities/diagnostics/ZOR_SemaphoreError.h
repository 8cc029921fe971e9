//===- utilities/diagnostics/ZOR_SemaphoreError.h - Lock failures -*- C++ -*-===//
//
// The exception that the synchronization objects throw when a POSIX threads call fails,
// or when a thread leaves a critical section it does not own. It carries the failing call's
// error number. It is thrown and caught by value, and depends on nothing else in the
// library, so that the lowest layers can throw it.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_DIAGNOSTICS_ZOR_SEMAPHOREERROR_H
#define QIM_UTILITIES_DIAGNOSTICS_ZOR_SEMAPHOREERROR_H

class ZOR_SemaphoreError {
public:
    explicit ZOR_SemaphoreError(int code) : code(code) {}

    /// The error number of the failed call; -1 for a leave by a thread that is not the owner.
    virtual int errorCode() const { return code; }
    /// Always 0: a synchronization failure has no second code.
    virtual int secondaryCode() const { return 0; }

    /// Throws a ZOR_SemaphoreError holding `code` by value.
    [[noreturn]] static void throwException(int code);

private:
    int code;
};

#endif
