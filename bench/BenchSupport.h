//===- bench/BenchSupport.h - What every benchmark program sets up -*- C++ -*-===//
//
// The setup that the benchmark programs share, so that ours and the peers' figures come
// from the same process state and the same inputs: a process that has run a second thread,
// a fixed sequence of block sizes, the UTF-8 and UTF-32 texts the converters are given,
// temporary file names, the allocator that malloc resolves to, and the percentile maths of
// the launch timings.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_BENCH_BENCHSUPPORT_H
#define QIM_BENCH_BENCHSUPPORT_H

#include <clocale>
#include <cstddef>
#include <string>
#include <vector>

namespace qimbench {

/// Starts a thread and joins it. glibc's malloc and the pthread locks take cheaper paths
/// in a process that never had a second thread; every program calls this first so that
/// all figures are those of the multi-threaded process the library runs in.
void startAndJoinThread();

/// A file name in $TMPDIR (or /tmp), made of the process id and `purpose`, that is
/// removed (if it was created) when the object goes.
class TemporaryFile {
public:
    explicit TemporaryFile(const char* purpose);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const { return _path; }

private:
    std::string _path;
};

/// A fixed pseudo-random sequence of `count` block sizes from 16 to 64 bytes: the same on
/// every run and for every allocator.
std::vector<unsigned int> blockSizes(std::size_t count);

/// `count` ASCII texts whose lengths are the block sizes above: 16 to 64 bytes.
std::vector<std::string> shortTexts(std::size_t count);

/// The shared object (or program) that defines the `malloc` this process calls.
std::string mallocProvider();

/// One text in both encodings that the converters translate between.
struct TextSample {
    std::string utf8;
    std::wstring wide;
};

/// About `bytes` bytes of ASCII prose.
TextSample asciiSample(std::size_t bytes);
/// About `bytes` bytes of prose in many scripts: accented Latin, Greek, Cyrillic, CJK and
/// emoji, so that 1-, 2-, 3- and 4-byte sequences all occur.
TextSample mixedSample(std::size_t bytes);
/// `count` texts of exactly `bytes` UTF-8 bytes each, cut from mixed prose.
std::vector<TextSample> shortSamples(std::size_t count, std::size_t bytes);
/// How many characters of a UTF-8 text take 1, 2, 3 and 4 bytes, as "1 B 62%, 2 B 14%...".
std::string sequenceLengthShares(const std::string& utf8);

/// The value below which `fraction` (0 to 1) of `values` lie, by the nearest-rank method.
double percentile(std::vector<double> values, double fraction);

/// Makes a locale the calling thread's for the scope's lifetime (mbstowcs and wcstombs
/// read the thread's locale). valid() is false when the system does not have it.
class ScopedLocale {
public:
    explicit ScopedLocale(const char* name);
    ~ScopedLocale();
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

    bool valid() const { return _locale != locale_t(0); }

private:
    locale_t _locale;
    locale_t _previous = locale_t(0);
};

} // namespace qimbench

#endif
