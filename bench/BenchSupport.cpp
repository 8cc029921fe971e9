//===- bench/BenchSupport.cpp - What every benchmark program sets up ------===//
//
// The inputs are made here rather than by the code under test: the wide form of each text
// comes from a plain decoder of well-formed UTF-8, so that a converter that goes wrong
// shows up as a mismatch instead of agreeing with itself.
//
//===----------------------------------------------------------------------------===//
#include "bench/BenchSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <dlfcn.h>
#include <random>
#include <thread>
#include <unistd.h>

namespace qimbench {

namespace {

/// The seed of every pseudo-random choice: the inputs are the same on every run.
constexpr unsigned int fixedSeed = 20240601;

/// Sentences of the kind a debugger shows: messages, paths and names in several scripts.
const char* const mixedSentences[] = {
    "Überprüfen Sie die Größe der Datei, bevor Sie sie öffnen. ",
    "Le débogueur a arrêté le processus à l'entrée du programme. ",
    "El proceso terminó con el código de salida cero, según lo esperado. ",
    "Ο αποσφαλματωτής σταμάτησε τη διεργασία στο σημείο εισόδου. ",
    "Отладчик остановил процесс в точке входа программы. ",
    "调试器在程序入口处停止了进程，请检查断点。",
    "デバッガはプログラムの入口でプロセスを停止しました。",
    "디버거가 프로그램 진입점에서 프로세스를 중지했습니다. ",
    "The debugger stopped the process at the entry point of the program. ",
    "Loaded /home/zoë/projects/café/build/bin/naïve_app (42 symbols). ",
    "Build passed ✅ 🚀 all tests green 🎉 ",
    "Files: 📁 src, 📄 main.cpp, 🔧 tools, 🐛 open bugs. ",
};

/// English sentences only, for the ASCII input.
const char* const asciiSentences[] = {
    "The debugger stopped the process at the entry point of the program. ",
    "Breakpoint 3 at 0x401136: file main.cpp, line 42. ",
    "Loaded /home/user/projects/cafe/build/bin/app (42 symbols). ",
    "Thread 2 received signal SIGSEGV, segmentation fault. ",
};

/// Bytes in the UTF-8 sequence that `lead` starts (well-formed input only).
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead < 0xE0)
        return 2;
    return lead < 0xF0 ? 3 : 4;
}

/// The code points of well-formed UTF-8 text.
std::wstring decodeWellFormed(const std::string& utf8) {
    std::wstring wide;
    for (std::size_t at = 0; at < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[at]);
        const std::size_t length = sequenceLength(lead);
        static const unsigned char leadMasks[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
        wchar_t value = lead & leadMasks[length];
        for (std::size_t next = 1; next < length; ++next)
            value = (value << 6) | (static_cast<unsigned char>(utf8[at + next]) & 0x3F);
        wide.push_back(value);
        at += length;
    }
    return wide;
}

/// Sentences of `sentences` in a fixed pseudo-random order until `bytes` bytes are reached.
template <std::size_t Count>
TextSample sampleOf(const char* const (&sentences)[Count], std::size_t bytes) {
    std::minstd_rand generator(fixedSeed);
    TextSample sample;
    while (sample.utf8.size() < bytes)
        sample.utf8 += sentences[generator() % Count];
    sample.wide = decodeWellFormed(sample.utf8);
    return sample;
}

} // namespace

void startAndJoinThread() {
    std::thread([] {}).join();
}

TemporaryFile::TemporaryFile(const char* purpose) {
    const char* base = std::getenv("TMPDIR");
    _path = std::string(base && *base ? base : "/tmp") + "/qimbench." + std::to_string(getpid()) +
            "." + purpose;
}

TemporaryFile::~TemporaryFile() {
    unlink(_path.c_str());
}

std::vector<unsigned int> blockSizes(std::size_t count) {
    std::minstd_rand generator(fixedSeed);
    std::vector<unsigned int> sizes(count);
    for (unsigned int& size : sizes)
        size = 16 + static_cast<unsigned int>(generator() % 49);
    return sizes;
}

std::vector<std::string> shortTexts(std::size_t count) {
    const std::string prose = asciiSample(count * 64).utf8;
    std::vector<std::string> texts;
    std::size_t start = 0;
    for (unsigned int length : blockSizes(count)) {
        texts.push_back(prose.substr(start, length));
        start += length;
    }
    return texts;
}

std::string mallocProvider() {
    void* address = dlsym(RTLD_DEFAULT, "malloc");
    Dl_info info;
    if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr)
        return "unknown";
    return info.dli_fname;
}

TextSample asciiSample(std::size_t bytes) {
    return sampleOf(asciiSentences, bytes);
}

TextSample mixedSample(std::size_t bytes) {
    return sampleOf(mixedSentences, bytes);
}

// Each text starts one character further into the mixed prose and takes whole characters
// while they fit; ASCII fills what a multi-byte character would overrun.
std::vector<TextSample> shortSamples(std::size_t count, std::size_t bytes) {
    const std::string prose = mixedSample(count * 4 + bytes).utf8;
    std::vector<TextSample> samples(count);
    std::size_t start = 0;
    for (TextSample& sample : samples) {
        for (std::size_t at = start; sample.utf8.size() < bytes;) {
            const std::size_t length = sequenceLength(static_cast<unsigned char>(prose[at]));
            if (sample.utf8.size() + length > bytes)
                break;
            sample.utf8.append(prose, at, length);
            at += length;
        }
        sample.utf8.resize(bytes, '_');
        sample.wide = decodeWellFormed(sample.utf8);
        start += sequenceLength(static_cast<unsigned char>(prose[start]));
    }
    return samples;
}

std::string sequenceLengthShares(const std::string& utf8) {
    std::size_t counts[5] = {};
    std::size_t characters = 0;
    for (std::size_t at = 0; at < utf8.size(); ++characters) {
        const std::size_t length = sequenceLength(static_cast<unsigned char>(utf8[at]));
        ++counts[length];
        at += length;
    }
    std::string shares;
    for (std::size_t length = 1; length <= 4; ++length) {
        const long share =
            std::lround(100.0 * counts[length] / std::max<std::size_t>(characters, 1));
        shares +=
            (length > 1 ? ", " : "") + std::to_string(length) + " B " + std::to_string(share) + "%";
    }
    return shares;
}

double percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * values.size()));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

ScopedLocale::ScopedLocale(const char* name) : _locale(newlocale(LC_ALL_MASK, name, locale_t(0))) {
    if (valid())
        _previous = uselocale(_locale);
}

ScopedLocale::~ScopedLocale() {
    if (!valid())
        return;
    uselocale(_previous);
    freelocale(_locale);
}

} // namespace qimbench
