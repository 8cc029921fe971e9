//===- bench/UnicodeBenchmark.cpp - UTF-8 <-> UTF-32 against glibc --------===//
//
// The library's UnicodeUtilities against iconv (descriptors opened once) and against
// mbstowcs/wcstombs in C.UTF-8, both ways, on 1 MB of ASCII, on 1 MB of text in many
// scripts, and on 20-byte texts converted one call each. Throughput counts the UTF-8 bytes
// in either direction. Before it is timed, every converter's output is checked against the
// expected text, and a converter that gets it wrong is reported as an error.
//
//===----------------------------------------------------------------------------===//
#include "bench/BenchSupport.h"
#include "bench/Converters.h"

#include <benchmark/benchmark.h>

namespace {

using qimbench::TextSample;

constexpr std::size_t largeTextBytes = 1 << 20;
constexpr std::size_t shortTextBytes = 20;
constexpr std::size_t shortTextCount = 1000;

enum class Input { Ascii, Mixed, Short };

const std::vector<TextSample>& samplesOf(Input input) {
    static const std::vector<TextSample> ascii = {qimbench::asciiSample(largeTextBytes)};
    static const std::vector<TextSample> mixed = {qimbench::mixedSample(largeTextBytes)};
    static const std::vector<TextSample> shortTexts =
        qimbench::shortSamples(shortTextCount, shortTextBytes);
    switch (input) {
    case Input::Ascii:
        return ascii;
    case Input::Mixed:
        return mixed;
    case Input::Short:
        break;
    }
    return shortTexts;
}

/// Converts the samples of `input` in turn, one per iteration.
template <typename Converter, typename Direction>
void convert(benchmark::State& state, Input input) {
    Converter converter;
    const std::vector<TextSample>& samples = samplesOf(input);
    if (!converter.ready())
        return state.SkipWithError("the converter could not be set up");
    if (!qimbench::convertsCorrectly(converter, samples))
        return state.SkipWithError("the converter's output differs from the expected text");
    qimbench::ConversionOutput output(samples);
    std::size_t next = 0;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Direction::convert(converter, samples[next], output));
        bytes += static_cast<std::int64_t>(samples[next].utf8.size());
        next = next + 1 == samples.size() ? 0 : next + 1;
    }
    state.SetBytesProcessed(bytes);
}

template <typename Converter>
void registerConverter(const std::string& converterName) {
    const std::pair<Input, const char*> inputs[] = {
        {Input::Ascii, "ascii"}, {Input::Mixed, "mixed"}, {Input::Short, "short"}};
    for (const auto& [input, inputName] : inputs) {
        const std::string suffix = std::string("/") + inputName + "/" + converterName;
        benchmark::RegisterBenchmark(("utf8ToWide" + suffix).c_str(),
                                     convert<Converter, qimbench::ToWide>, input)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("wideToUtf8" + suffix).c_str(),
                                     convert<Converter, qimbench::ToUtf8>, input)
            ->UseRealTime();
    }
}

bool registerConversions() {
    registerConverter<qimbench::LibraryConverter>("library");
    registerConverter<qimbench::IconvConverter>("iconv");
    registerConverter<qimbench::LocaleConverter>("locale");
    benchmark::AddCustomContext("mixed text",
                                qimbench::sequenceLengthShares(samplesOf(Input::Mixed)[0].utf8));
    return true;
}

[[maybe_unused]] const bool registered = registerConversions();

} // namespace
