//===- tests/utilities/diagnostics/TraceProbe.cpp - A process that traces -*- C++ -*-===//
//
// A small program that uses the process-wide trace exactly as a program of the engine
// does, so that tests can run it with the environment of their choice and read what it
// writes. The first argument names what it does; it exits with 0 when its own checks
// passed.
//
//===----------------------------------------------------------------------------===//
#include "utilities/diagnostics/TraceEntry.h"
#include "utilities/diagnostics/TraceEntryDefinition.h"
#include "utilities/diagnostics/ZOR_Exception.h"

#include <cerrno>
#include <cstring>

namespace {

QIM_DEFINE_TRACE_ENTRY(traceVEK, vek, "VEK")

/// Writes one record of each type, checking that none of them changes errno.
int traceEveryType() {
    errno = 13;
    traceVEK("UNIX_ShellPgm", 12, "Starting....  pid = %d", 42);
    traceError("a/b.c", 12, "x=%d", 5);
    traceWarning("void PoolArea::grow(unsigned int, PoolArea*&, int&, int&, int)", 142,
                 "Initial allocation of pool should be increased!");
    traceEXCPTN("a/b.c", 0, "created");
    return errno == 13 ? 0 : 3;
}

int throwAndCatch() {
    try {
        throw ZOR_Exception("UNIX_ShellMsgQueue::UNIX_ShellMsgQueue(int)", 201,
                            "Cannot create queue");
    } catch (...) {
        return 0;
    }
}

} // namespace

int main(int argc, char** argv) {
    const char* scenario = argc > 1 ? argv[1] : "";
    if (std::strcmp(scenario, "started") == 0) {
        TraceImplementation::start(nullptr);
        return traceEveryType();
    }
    if (std::strcmp(scenario, "not-started") == 0)
        return traceEveryType();
    if (std::strcmp(scenario, "exception") == 0) {
        TraceImplementation::start(nullptr);
        return throwAndCatch();
    }
    return 2;
}
