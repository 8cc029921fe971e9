//===- tests/utilities/diagnostics/TraceFlagsSupport.h - Reading the switches -*- C++ -*-===//
//
// The names of the type switches that are on, so that a test can state the expected
// switches as a list of type names.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_UTILITIES_DIAGNOSTICS_TRACEFLAGSSUPPORT_H
#define QIM_TESTS_UTILITIES_DIAGNOSTICS_TRACEFLAGSSUPPORT_H

#include "utilities/diagnostics/TraceImplementation.h"

#include <set>
#include <string>

namespace qimtest {

/// The type names whose switch is 1 in `flags`.
inline std::set<std::string> switchesOn(const TraceImplementation::TraceFlags& flags) {
    using Flags = TraceImplementation::TraceFlags;
    const std::pair<int32_t Flags::*, const char*> words[] = {
        {&Flags::all, "ALL"},     {&Flags::connection, "CONNECTION"},
        {&Flags::zor, "ZOR"},     {&Flags::vek, "VEK"},
        {&Flags::entry, "ENTRY"}, {&Flags::wolq, "WOLQ"},
        {&Flags::error, "ERROR"}, {&Flags::excptn, "EXCPTN"},
        {&Flags::expr, "EXPR"},   {&Flags::muf, "MUF"},
        {&Flags::pyx, "PYX"},     {&Flags::warning, "WARNING"},
    };
    std::set<std::string> on;
    for (const auto& word : words)
        if (flags.*word.first)
            on.insert(word.second);
    return on;
}

} // namespace qimtest

#endif
