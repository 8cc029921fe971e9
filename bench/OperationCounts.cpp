//===- bench/OperationCounts.cpp - Instructions per operation under callgrind -===//
//
// Times vary with everything else the machine does; the number of instructions an
// operation executes does not. This program runs one of the benchmarked operations (ours
// or a peer's) a known number of times inside countedOperations, so that
//
//   valgrind --tool=callgrind --collect-atstart=no
//            --toggle-collect=countedOperations operation_counts NAME
//
// counts exactly that work; it prints how many operations it ran ("units N"), and the
// instructions per operation are the count divided by that. `operation_counts --list`
// names the operations and their units. Set-up, a warm-up run and the check of the
// results happen outside the counted function.
//
//===----------------------------------------------------------------------------===//
#include "bench/BenchSupport.h"
#include "bench/Converters.h"
#include "bench/PoolWorkloads.h"
#include "bench/TraceTargets.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace {

using qimbench::TextSample;

/// Runs the operation a fixed number of times and returns how many it ran.
using Work = std::function<unsigned long()>;

/// One countable operation, named as in the timed benchmarks.
struct Operation {
    std::string name;
    const char* unit;
    std::function<Work()> prepare; ///< sets up, checks and returns the work
};

constexpr std::size_t batchSize = 1000;
constexpr int allocationRounds = 100;
constexpr int copyCount = 100000;
constexpr int traceDisabledCount = 1000000;
constexpr int traceEnabledCount = 10000;
constexpr int shortTextRounds = 10;

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "operation_counts: %s\n", message.c_str());
    std::exit(1);
}

template <typename Allocator>
Work allocateBatches() {
    auto blocks = std::make_shared<std::vector<void*>>(batchSize);
    return [blocks, sizes = qimbench::blockSizes(batchSize)] {
        for (int round = 0; round < allocationRounds; ++round)
            qimbench::allocateBatch<Allocator>(sizes, *blocks);
        return static_cast<unsigned long>(allocationRounds * batchSize);
    };
}

template <typename Allocator>
Work allocatePairs() {
    return [sizes = qimbench::blockSizes(batchSize)] {
        for (int round = 0; round < allocationRounds; ++round)
            qimbench::allocatePairs<Allocator>(sizes);
        return static_cast<unsigned long>(allocationRounds * batchSize);
    };
}

template <typename Copy>
Work copyStrings(Copy copy) {
    return [copy, texts = qimbench::shortTexts(batchSize)] {
        for (int done = 0; done < copyCount; ++done)
            benchmark::DoNotOptimize(copy(texts[done % batchSize].c_str()));
        return static_cast<unsigned long>(copyCount);
    };
}

/// Converts every sample `rounds` times; the UTF-8 bytes converted.
template <typename Converter, typename Direction>
Work convertSamples(std::vector<TextSample> samples, int rounds) {
    auto converter = std::make_shared<Converter>();
    if (!converter->ready() || !qimbench::convertsCorrectly(*converter, samples))
        fail("a converter failed to set up or converted wrongly");
    auto output = std::make_shared<qimbench::ConversionOutput>(samples);
    return [converter, output, samples = std::move(samples), rounds] {
        unsigned long bytes = 0;
        for (int round = 0; round < rounds; ++round) {
            for (const TextSample& sample : samples) {
                benchmark::DoNotOptimize(Direction::convert(*converter, sample, *output));
                bytes += sample.utf8.size();
            }
        }
        return bytes;
    };
}

template <typename Target, typename... Arguments>
Work writeRecords(int count, Arguments... arguments) {
    auto target = std::make_shared<Target>(arguments...);
    return [target, count] {
        for (int value = 0; value < count; ++value)
            target->write(value);
        return static_cast<unsigned long>(count);
    };
}

template <typename Converter>
void addConversions(std::vector<Operation>& operations, const std::string& converterName) {
    const std::pair<const char*, std::function<std::vector<TextSample>()>> inputs[] = {
        {"ascii", [] { return std::vector<TextSample>{qimbench::asciiSample(1 << 20)}; }},
        {"mixed", [] { return std::vector<TextSample>{qimbench::mixedSample(1 << 20)}; }},
        {"short", [] { return qimbench::shortSamples(1000, 20); }},
    };
    for (const auto& [inputName, make] : inputs) {
        const int rounds = std::string(inputName) == "short" ? shortTextRounds : 1;
        const std::string suffix = std::string("/") + inputName + "/" + converterName;
        operations.push_back({"utf8ToWide" + suffix, "UTF-8 byte", [make = make, rounds] {
                                  return convertSamples<Converter, qimbench::ToWide>(make(),
                                                                                     rounds);
                              }});
        operations.push_back({"wideToUtf8" + suffix, "UTF-8 byte", [make = make, rounds] {
                                  return convertSamples<Converter, qimbench::ToUtf8>(make(),
                                                                                     rounds);
                              }});
    }
}

std::vector<Operation> allOperations() {
    using namespace qimbench;
    std::vector<Operation> operations = {
        {"allocateBatch/library", "get + free", allocateBatches<PoolAllocator>},
        {"allocateBatch/malloc", "get + free", allocateBatches<MallocAllocator>},
        {"allocatePairs/library", "get + free", allocatePairs<PoolAllocator>},
        {"allocatePairs/malloc", "get + free", allocatePairs<MallocAllocator>},
        {"copyString/library", "copy", [] { return copyStrings(copyEncodedString); }},
        {"copyString/std::string", "copy", [] { return copyStrings(copyStdString); }},
        {"traceDisabled/library", "call",
         [] { return writeRecords<LibraryTrace>(traceDisabledCount, Records::Disabled); }},
        {"traceDisabled/spdlog", "call",
         [] { return writeRecords<SpdlogTrace>(traceDisabledCount, Records::Disabled); }},
        {"traceEnabled/library", "record",
         [] { return writeRecords<LibraryTrace>(traceEnabledCount, Records::Enabled); }},
        {"traceEnabled/spdlog", "record",
         [] { return writeRecords<SpdlogTrace>(traceEnabledCount, Records::Enabled); }},
        {"traceEnabled/fprintf", "record",
         [] { return writeRecords<StdioTrace>(traceEnabledCount); }},
    };
    addConversions<LibraryConverter>(operations, "library");
    addConversions<IconvConverter>(operations, "iconv");
    addConversions<LocaleConverter>(operations, "locale");
    return operations;
}

} // namespace

/// The one function whose instructions callgrind counts: C linkage keeps its name plain for
/// --toggle-collect, and noinline keeps it a function of its own.
extern "C" __attribute__((noinline)) unsigned long countedOperations(const Work& work) {
    return work();
}

int main(int argc, char** argv) {
    qimbench::startAndJoinThread();
    const std::vector<Operation> operations = allOperations();
    const std::string wanted = argc == 2 ? argv[1] : "";
    for (const Operation& operation : operations) {
        if (wanted == "--list")
            std::printf("%s\t%s\n", operation.name.c_str(), operation.unit);
        if (operation.name != wanted)
            continue;
        const Work work = operation.prepare();
        work(); // the warm-up: first-use costs (pool chunks, opened files) are not counted
        std::printf("units %lu\nmalloc %s\n", countedOperations(work),
                    qimbench::mallocProvider().c_str());
        return 0;
    }
    if (wanted == "--list")
        return 0;
    fail("usage: operation_counts --list | NAME (one of the names --list prints)");
}
