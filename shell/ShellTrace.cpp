//===- shell/ShellTrace.cpp - The launcher shell's trace entry ------------===//
#include "shell/ShellTrace.h"

#include "utilities/diagnostics/TraceEntryDefinition.h"

QIM_DEFINE_TRACE_ENTRY(traceVEK, vek, "VEK")
