//===- utilities/diagnostics/TraceEntry.h - Trace entry points --*- C++ -*-===//
//
// The free functions through which every part of the library writes a trace record. Each
// writes a record of its own type (ERROR, WARNING, EXCPTN) when the process's trace
// configuration switches that type on, and does nothing else otherwise: its arguments are
// not even formatted. None of them changes errno.
//
// `where` is a source path or the signature of the calling function (printed up to its
// first parenthesis, so that the line follows the function name), `line` the source line
// or 0 for none, then printf-style text:
//
//   traceError(__PRETTY_FUNCTION__, __LINE__, "msgget failed, errno = %d", errno);
//
// This header includes nothing from the layers above it, so that the lowest layers (the
// pools, the locks) can report without depending on the string classes or the trace worker.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_DIAGNOSTICS_TRACEENTRY_H
#define QIM_UTILITIES_DIAGNOSTICS_TRACEENTRY_H

/// Writes an ERROR record.
void traceError(const char* where, unsigned int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
/// Writes a WARNING record.
void traceWarning(const char* where, unsigned int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
/// Writes an EXCPTN record: the creation of an exception.
void traceEXCPTN(const char* where, unsigned int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

#endif
