//===- utilities/diagnostics/TraceImplementation.h - Trace front -*- C++ -*-===//
//
// The front of the process's trace facility: the per-type switches that every trace entry
// point tests before it composes anything, and the static operations that create the trace
// object and arm it. The work itself (configuration, output stream, records) is done by the
// TraceWorker subclass; the object in use is always a TraceWorker.
//
// A disabled trace call costs one pointer load and one word test:
//
//   TraceImplementation* trace = TraceImplementation::instance();
//   if (trace->flags.error)
//       ...compose and write...
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_DIAGNOSTICS_TRACEIMPLEMENTATION_H
#define QIM_UTILITIES_DIAGNOSTICS_TRACEIMPLEMENTATION_H

#include <cstdarg>
#include <cstdint>

class TraceWorker;

class TraceImplementation {
public:
    /// One word per switch, each 0 or 1. The entry points read them without a lock.
    struct TraceFlags {
        int32_t on; ///< 1 when the trace has a destination
        int32_t error;
        int32_t warning;
        int32_t all;
        int32_t connection;
        int32_t zor;
        int32_t vek;
        int32_t muf;
        int32_t entry;
        int32_t wolq;
        int32_t expr;
        int32_t excptn;
        int32_t pyx;

        TraceFlags() { clear(); }
        /// Every word to 0: nothing passes a flag test.
        void clear();
        /// Recomputes every word from the worker's configuration.
        void set(TraceWorker& worker);
    };

    TraceFlags flags;

    /// The trace object in use; null until the first use.
    static TraceImplementation* _implementation;

    /// The trace object in use, creating the module's own worker on first use. Leaves
    /// errno as it found it.
    static TraceImplementation* instance() {
        return _implementation ? _implementation : createInstance();
    }
    /// False only when the trace object exists and its switch `word` is off: then no
    /// record of that type can pass. Costs two loads and no call.
    static bool mayTrace(int32_t TraceFlags::*word) {
        const TraceImplementation* trace = _implementation;
        return trace == nullptr || trace->flags.*word != 0;
    }
    /// Puts `implementation` in use (null: the module's own worker) and arms it, so that
    /// the first record opens the destination. Returns the object in use; keeps errno.
    static TraceImplementation* start(TraceImplementation* implementation);

    /// To be called in the child right after fork(): reopens or closes the trace.
    void processForked();
    /// Writes one record when the trace has a destination.
    void trace(const char* where, unsigned int line, const char* type, const char* format,
               va_list arguments);

private:
    static TraceImplementation* createInstance();
    TraceWorker& worker();
};

#endif
