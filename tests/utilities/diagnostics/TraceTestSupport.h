//===- tests/utilities/diagnostics/TraceTestSupport.h - Expectations on a trace -*- C++ -*-===//
//
// What the trace tests expect and compare: the type switches that are on, as type names,
// and the header that a trace with the setting "<destination>,vek" opens with.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_UTILITIES_DIAGNOSTICS_TRACETESTSUPPORT_H
#define QIM_TESTS_UTILITIES_DIAGNOSTICS_TRACETESTSUPPORT_H

#include "utilities/diagnostics/BuildDate.h"
#include "utilities/diagnostics/TraceImplementation.h"

#include <regex>
#include <set>
#include <string>
#include <vector>

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

/// The place and line of the worker's own records, as the records print them.
inline const std::string internalPlace = "void TraceWorker::itrace(340): ";

/// The lines with the time of each "Trace start at" and "Trace end at" line, which must
/// have ctime's form, replaced by "<time>".
inline std::vector<std::string> withTimesReplaced(std::vector<std::string> lines) {
    static const std::regex ctimeText(
        R"(^(void TraceWorker::itrace\(340\): Trace (start|end) at )[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}$)");
    for (std::string& line : lines)
        line = std::regex_replace(line, ctimeText, "$1<time>");
    return lines;
}

/// The header of a trace with the setting "<destination>,vek", without its stamps, up to
/// the line that introduces the environment settings.
inline std::vector<std::string> expectedHeaderStart() {
    std::vector<std::string> lines = {internalPlace + "Trace start at <time>", "",
                                      internalPlace + "Included trace types:"};
    for (const char* type : {"ERROR", "VEK", "WARNING"})
        lines.push_back(internalPlace + "   " + type);
    lines.push_back(internalPlace + "Excluded trace types:");
    for (const char* type :
         {"ALL", "CONNECTION", "ENTRY", "EXCPTN", "EXPR", "MUF", "PYX", "WOLQ", "ZOR"})
        lines.push_back(internalPlace + "   " + type);
    lines.push_back(internalPlace + "Build Date: " + BUILD_DATE);
    lines.push_back("");
    lines.push_back(internalPlace + "Environment settings:");
    return lines;
}

} // namespace qimtest

#endif
