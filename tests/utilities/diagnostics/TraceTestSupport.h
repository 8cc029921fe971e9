//===- tests/utilities/diagnostics/TraceTestSupport.h - Trace switches by name -*- C++ -*-===//
#ifndef QIM_TESTS_UTILITIES_DIAGNOSTICS_TRACETESTSUPPORT_H
#define QIM_TESTS_UTILITIES_DIAGNOSTICS_TRACETESTSUPPORT_H

#include "utilities/diagnostics/TraceImplementation.h"

#include <set>
#include <string>

namespace qimtest {

/// The type names whose switch is 1 in `flags`.
inline std::set<std::string> switchesOn(const TraceImplementation::TraceFlags& f) {
    const int32_t words[] = {f.all,   f.connection, f.zor,  f.vek, f.entry, f.wolq,
                             f.error, f.excptn,     f.expr, f.muf, f.pyx,   f.warning};
    const char* const names[] = {"ALL",   "CONNECTION", "ZOR",  "VEK", "ENTRY", "WOLQ",
                                 "ERROR", "EXCPTN",     "EXPR", "MUF", "PYX",   "WARNING"};
    std::set<std::string> on;
    for (int i = 0; i < 12; ++i)
        if (words[i] == 1)
            on.insert(names[i]);
    return on;
}

} // namespace qimtest

#endif
