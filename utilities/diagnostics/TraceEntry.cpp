//===- utilities/diagnostics/TraceEntry.cpp - Trace entry points ----------===//
#include "utilities/diagnostics/TraceEntry.h"

#include "utilities/diagnostics/TraceEntryDefinition.h"

QIM_DEFINE_TRACE_ENTRY(traceError, error, "ERROR")
QIM_DEFINE_TRACE_ENTRY(traceWarning, warning, "WARNING")
QIM_DEFINE_TRACE_ENTRY(traceEXCPTN, excptn, "EXCPTN")
