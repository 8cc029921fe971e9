//===- utilities/diagnostics/TraceEntry.h - Trace entry points --*- C++ -*-===//
//
// The free functions through which every part of the library writes a trace record.
// This header includes nothing from the layers above it, so that the lowest layers (the
// pools, the locks) can report without depending on the string classes or the trace worker.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_DIAGNOSTICS_TRACEENTRY_H
#define QIM_UTILITIES_DIAGNOSTICS_TRACEENTRY_H

/// Writes a WARNING record: `where` is a source path or a function signature (printed up to
/// its first parenthesis), `line` the source line (0 for none), then printf-style text.
void traceWarning(const char* where, unsigned int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

#endif
