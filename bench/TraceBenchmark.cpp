//===- bench/TraceBenchmark.cpp - The cost of a trace call ----------------===//
//
// What a trace call costs its caller: a call whose type is switched off (which must stay
// at a pointer load and a word test), and a call that writes an 80-character record to a
// file and flushes it.
//
//===----------------------------------------------------------------------------===//
#include "utilities/diagnostics/TraceEntry.h"
#include "utilities/diagnostics/TraceWorker.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

/// A trace worker with the given types, writing to a file that is removed afterwards.
class FileTrace {
public:
    explicit FileTrace(const char* types) : _path(temporaryPath()) {
        const std::string setting = _path + "," + types;
        _worker = new TraceWorker(EncodedString(setting.c_str(), EncodedString::UTF8));
        TraceImplementation::start(_worker);
    }
    ~FileTrace() {
        TraceImplementation::_implementation = nullptr;
        delete _worker;
        unlink(_path.c_str());
    }

private:
    static std::string temporaryPath() {
        const char* base = std::getenv("TMPDIR");
        return std::string(base && *base ? base : "/tmp") + "/qimbench." +
               std::to_string(getpid()) + ".trc";
    }

    std::string _path;
    TraceWorker* _worker;
};

void disabledTraceError(benchmark::State& state) {
    const FileTrace trace("~,error"); // every type but ERROR
    int value = 0;
    for (auto _ : state) {
        traceError("bench/TraceBenchmark.cpp", 52, "value = %d", value);
        benchmark::DoNotOptimize(++value);
    }
}
BENCHMARK(disabledTraceError);

void enabledTraceErrorToFile(benchmark::State& state) {
    const FileTrace trace("error");
    int value = 0;
    for (auto _ : state) {
        // With its prefix, about 80 characters.
        traceError("bench/TraceBenchmark.cpp", 62, "the record of an enabled call, number %d",
                   ++value);
    }
}
BENCHMARK(enabledTraceErrorToFile);

} // namespace

BENCHMARK_MAIN();
