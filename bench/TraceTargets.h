//===- bench/TraceTargets.h - The library's trace and its peers -*- C++ -*-===//
//
// Three ways to write an error record of about 80 characters to a file and flush it: the
// library's traceError, spdlog with a basic file sink flushed on every record, and fprintf
// of a time-stamped line followed by fflush. The library's and spdlog's targets can also
// be set up with error records switched off, to measure what a call costs when it writes
// nothing. Each target writes to a temporary file of its own and removes it at the end,
// which also makes the targets impossible to copy.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_BENCH_TRACETARGETS_H
#define QIM_BENCH_TRACETARGETS_H

#include "bench/BenchSupport.h"
#include "utilities/diagnostics/TraceEntry.h"

#include <spdlog/spdlog.h>

#include <cstdio>
#include <memory>
#include <string>

class TraceWorker;

namespace qimbench {

/// The source place that every target's record names, so that all records are as long.
constexpr const char* recordPlace = "bench/TraceTargets.h";
constexpr unsigned int recordLine = 42;

/// Whether a target's error records are written.
enum class Records { Enabled, Disabled };

/// The library's trace, writing to a file.
class LibraryTrace {
public:
    explicit LibraryTrace(Records records);
    ~LibraryTrace();

    void write(int value) {
        traceError(recordPlace, recordLine, "the record of an enabled call, number %d", value);
    }

private:
    TemporaryFile _file;
    std::unique_ptr<TraceWorker> _worker;
};

/// An spdlog logger with a basic file sink that flushes every record.
class SpdlogTrace {
public:
    explicit SpdlogTrace(Records records);
    ~SpdlogTrace();

    void write(int value) {
        _logger->error("{}({}): the record of an enabled call, number {}", recordPlace, recordLine,
                       value);
    }

private:
    TemporaryFile _file;
    std::shared_ptr<spdlog::logger> _logger;
};

/// A stdio stream that gets a time-stamped line and an fflush per record.
class StdioTrace {
public:
    StdioTrace();
    ~StdioTrace();

    void write(int value);

private:
    TemporaryFile _file;
    std::FILE* _stream;
};

} // namespace qimbench

#endif
