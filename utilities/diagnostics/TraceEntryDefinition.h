//===- utilities/diagnostics/TraceEntryDefinition.h - Defining an entry point -*- C++ -*-===//
//
// Every trace entry point has the same body and differs only in its type: it tests the
// type's switch before it touches its arguments (so a disabled call costs a pointer load
// and a word test), and otherwise hands the record to the trace object in use. This macro
// writes that body once for the library's entry points and for those of the programs built
// on it:
//
//   QIM_DEFINE_TRACE_ENTRY(traceVEK, vek, "VEK")
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_DIAGNOSTICS_TRACEENTRYDEFINITION_H
#define QIM_UTILITIES_DIAGNOSTICS_TRACEENTRYDEFINITION_H

#include "utilities/diagnostics/TraceImplementation.h"

#include <cstdarg>

/// Defines `void function(const char* where, unsigned int line, const char* format, ...)`
/// writing records of type `typeName` when the switch `flags.flagWord` is on.
#define QIM_DEFINE_TRACE_ENTRY(function, flagWord, typeName)                                       \
    void(function)(const char* where, unsigned int line, const char* format, ...) {                \
        TraceImplementation* trace = TraceImplementation::instance();                              \
        if (!trace->flags.flagWord)                                                                \
            return;                                                                                \
        va_list arguments;                                                                         \
        va_start(arguments, format);                                                               \
        trace->trace(where, line, typeName, format, arguments);                                    \
        va_end(arguments);                                                                         \
    }

#endif
