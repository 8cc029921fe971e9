//===- utilities/diagnostics/TraceImplementation.cpp - Trace front --------===//
#include "utilities/diagnostics/TraceImplementation.h"

#include "utilities/diagnostics/ErrnoKeeper.h"
#include "utilities/diagnostics/TraceWorker.h"

TraceImplementation* TraceImplementation::_implementation = nullptr;

namespace {

/// Each type switch and the type name whose configuration sets it.
struct TypeSwitch {
    int32_t TraceImplementation::TraceFlags::*word;
    const char* type;
};

const TypeSwitch typeSwitches[] = {
    {&TraceImplementation::TraceFlags::error, "ERROR"},
    {&TraceImplementation::TraceFlags::warning, "WARNING"},
    {&TraceImplementation::TraceFlags::all, "ALL"},
    {&TraceImplementation::TraceFlags::connection, "CONNECTION"},
    {&TraceImplementation::TraceFlags::zor, "ZOR"},
    {&TraceImplementation::TraceFlags::vek, "VEK"},
    {&TraceImplementation::TraceFlags::muf, "MUF"},
    {&TraceImplementation::TraceFlags::entry, "ENTRY"},
    {&TraceImplementation::TraceFlags::wolq, "WOLQ"},
    {&TraceImplementation::TraceFlags::expr, "EXPR"},
    {&TraceImplementation::TraceFlags::excptn, "EXCPTN"},
    {&TraceImplementation::TraceFlags::pyx, "PYX"},
};

} // namespace

void TraceImplementation::TraceFlags::clear() {
    on = 0;
    for (const TypeSwitch& typeSwitch : typeSwitches)
        this->*typeSwitch.word = 0;
}

void TraceImplementation::TraceFlags::set(TraceWorker& worker) {
    clear();
    for (const TypeSwitch& typeSwitch : typeSwitches)
        this->*typeSwitch.word = worker.isTraceBitSet(typeSwitch.type) ? 1 : 0;
    on = worker.destination().length() != 0 ? 1 : 0;
}

TraceImplementation* TraceImplementation::createInstance() {
    const ErrnoKeeper keepErrno;
    TraceWorker*& localTrace = TraceWorker::_localTrace();
    if (!localTrace)
        localTrace = new TraceWorker;
    _implementation = localTrace;
    return _implementation;
}

TraceImplementation* TraceImplementation::start(TraceImplementation* implementation) {
    const ErrnoKeeper keepErrno;
    _implementation = implementation;
    TraceWorker& worker = instance()->worker();
    worker.arm();
    return &worker;
}

void TraceImplementation::processForked() {
    worker().processForked();
}

void TraceImplementation::trace(const char* where, unsigned int line, const char* type,
                                const char* format, va_list arguments) {
    if (!flags.on)
        return;
    worker().trace(where, line, type, format, arguments);
}

TraceWorker& TraceImplementation::worker() {
    // Only workers are ever put in use: the front has no state of its own to trace with.
    return static_cast<TraceWorker&>(*this);
}
