//===- bench/TraceTargets.cpp - The library's trace and its peers ---------===//
#include "bench/TraceTargets.h"

#include "bench/BenchSupport.h"
#include "utilities/diagnostics/TraceWorker.h"

#include <spdlog/sinks/basic_file_sink.h>

#include <ctime>
#include <pthread.h>
#include <stdexcept>

namespace qimbench {

LibraryTrace::LibraryTrace(Records records) : _file("library.trc") {
    // The setting names the types to write, or with "~" the types to leave out.
    const std::string setting =
        _file.path() + (records == Records::Enabled ? ",error" : ",~,error");
    _worker = std::make_unique<TraceWorker>(EncodedString(setting.c_str(), EncodedString::UTF8));
    TraceImplementation::start(_worker.get());
}

LibraryTrace::~LibraryTrace() {
    TraceImplementation::_implementation = nullptr;
}

SpdlogTrace::SpdlogTrace(Records records)
    : _file("spdlog.log"), _logger(spdlog::basic_logger_mt(_file.path(), _file.path(), true)) {
    _logger->set_level(records == Records::Enabled ? spdlog::level::trace
                                                   : spdlog::level::critical);
    _logger->flush_on(spdlog::level::trace);
}

SpdlogTrace::~SpdlogTrace() {
    spdlog::drop(_logger->name());
    _logger.reset(); // closes the file before it is removed
}

StdioTrace::StdioTrace() : _file("stdio.log"), _stream(std::fopen(_file.path().c_str(), "w")) {
    if (_stream == nullptr)
        throw std::runtime_error("cannot create " + _file.path());
}

StdioTrace::~StdioTrace() {
    std::fclose(_stream);
}

// The local time to the microsecond and the thread, as a log line usually starts.
void StdioTrace::write(int value) {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    tm local;
    localtime_r(&now.tv_sec, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(_stream,
                 "%s.%06ld (%ld): **ERROR: %s(%u): the record of an enabled call, number %d\n",
                 stamp, now.tv_nsec / 1000, static_cast<long>(pthread_self()), recordPlace,
                 recordLine, value);
    std::fflush(_stream);
}

} // namespace qimbench
