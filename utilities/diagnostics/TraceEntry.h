//===- utilities/diagnostics/TraceEntry.h - Trace entry points --*- C++ -*-===//
//
// The free functions through which every part of the library writes a trace record. Each
// writes a record of its own type (ERROR, WARNING, EXCPTN) when the process's trace
// configuration switches that type on, and does nothing else otherwise: its arguments are
// not even formatted. None of them changes errno.
//
// Traces are left in hot code, so a disabled call must cost next to nothing. Each entry
// point is therefore also a macro of the same name that tests its type's switch in line
// and calls the function only when the switch is on (or the trace facility does not exist
// yet, which the function then creates). A disabled call is a load and a test, and its
// arguments are not evaluated: they must not have side effects the caller relies on.
//
// `where` is a source path or the signature of the calling function (printed up to its
// first parenthesis, so that the line follows the function name), `line` the source line
// or 0 for none, then printf-style text:
//
//   traceError(__PRETTY_FUNCTION__, __LINE__, "msgget failed, errno = %d", errno);
//
// This header includes nothing from the layers above it (the trace front it tests is in
// this layer and includes nothing either), so that the lowest layers (the pools, the locks)
// can report without depending on the string classes or the trace worker.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_DIAGNOSTICS_TRACEENTRY_H
#define QIM_UTILITIES_DIAGNOSTICS_TRACEENTRY_H

#include "utilities/diagnostics/TraceImplementation.h"

/// Writes an ERROR record.
void traceError(const char* where, unsigned int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
/// Writes a WARNING record.
void traceWarning(const char* where, unsigned int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
/// Writes an EXCPTN record: the creation of an exception.
void traceEXCPTN(const char* where, unsigned int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The in-line switch tests. The parenthesised name inside calls the function itself.
#define traceError(...)                                                                            \
    (TraceImplementation::mayTrace(&TraceImplementation::TraceFlags::error)                        \
         ? (traceError)(__VA_ARGS__)                                                               \
         : (void)0)
#define traceWarning(...)                                                                          \
    (TraceImplementation::mayTrace(&TraceImplementation::TraceFlags::warning)                      \
         ? (traceWarning)(__VA_ARGS__)                                                             \
         : (void)0)
#define traceEXCPTN(...)                                                                           \
    (TraceImplementation::mayTrace(&TraceImplementation::TraceFlags::excptn)                       \
         ? (traceEXCPTN)(__VA_ARGS__)                                                              \
         : (void)0)

#endif
