//===- utilities/diagnostics/TraceEntry.cpp - Trace entry points ----------===//
//
// The trace facility that decides whether and where a record is written is not part of
// the library yet: until it is, the entry points accept their records and write nothing.
//
//===----------------------------------------------------------------------------===//
#include "utilities/diagnostics/TraceEntry.h"

void traceWarning(const char*, unsigned int, const char*, ...) {}
