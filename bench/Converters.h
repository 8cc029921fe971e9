//===- bench/Converters.h - UTF-8 <-> UTF-32 by the library and its peers -*- C++ -*-===//
//
// The three ways a program on glibc turns UTF-8 into wide characters and back, behind one
// interface so that every benchmark and count runs each of them on the same input: the
// library's UnicodeUtilities, iconv with descriptors opened once and kept, and
// mbstowcs/wcstombs in the C.UTF-8 locale.
//
// Each conversion returns the number of units written, terminator excluded, or
// conversionFailed.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_BENCH_CONVERTERS_H
#define QIM_BENCH_CONVERTERS_H

#include "bench/BenchSupport.h"
#include "utilities/strings/UnicodeUtilities.h"

#include <algorithm>
#include <cstdlib>
#include <iconv.h>

namespace qimbench {

/// What a conversion returns when it could not convert the whole text.
constexpr std::size_t conversionFailed = static_cast<std::size_t>(-1);

/// The library's own UTF-8 <-> UTF-32 code.
class LibraryConverter {
public:
    bool ready() const { return true; }

    std::size_t toWide(const TextSample& text, wchar_t* out, std::size_t outCount) {
        return withoutTerminator(UnicodeUtilities::utf8toUnicode(
            text.utf8.c_str(), out, static_cast<unsigned int>(outCount)));
    }
    std::size_t toUtf8(const TextSample& text, char* out, std::size_t outSize) {
        return withoutTerminator(UnicodeUtilities::unicodeToUTF8(
            text.wide.c_str(), out, static_cast<unsigned int>(outSize)));
    }

private:
    /// The library counts the terminator and returns 0 when the output was too small.
    static std::size_t withoutTerminator(unsigned int written) {
        return written == 0 ? conversionFailed : written - 1;
    }
};

/// glibc's iconv between "UTF-8" and "WCHAR_T", each direction's descriptor opened once.
class IconvConverter {
public:
    IconvConverter();
    ~IconvConverter();
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    bool ready() const { return _toWide != closed && _toUtf8 != closed; }

    std::size_t toWide(const TextSample& text, wchar_t* out, std::size_t outCount) {
        const std::size_t bytes = convert(_toWide, text.utf8.data(), text.utf8.size(),
                                          reinterpret_cast<char*>(out), outCount * sizeof(wchar_t));
        return bytes == conversionFailed ? bytes : bytes / sizeof(wchar_t);
    }
    std::size_t toUtf8(const TextSample& text, char* out, std::size_t outSize) {
        return convert(_toUtf8, reinterpret_cast<const char*>(text.wide.data()),
                       text.wide.size() * sizeof(wchar_t), out, outSize);
    }

private:
    static inline const iconv_t closed = reinterpret_cast<iconv_t>(-1);

    /// Bytes written for all of `in`, or conversionFailed.
    static std::size_t convert(iconv_t descriptor, const char* in, std::size_t inBytes, char* out,
                               std::size_t outBytes) {
        char* input = const_cast<char*>(in); // iconv's historical signature; it only reads
        char* output = out;
        std::size_t outLeft = outBytes;
        if (iconv(descriptor, &input, &inBytes, &output, &outLeft) == conversionFailed)
            return conversionFailed;
        return outBytes - outLeft;
    }

    iconv_t _toWide;
    iconv_t _toUtf8;
};

/// mbstowcs and wcstombs with C.UTF-8 as the calling thread's locale.
class LocaleConverter {
public:
    LocaleConverter() : _locale("C.UTF-8") {}

    bool ready() const { return _locale.valid(); }

    std::size_t toWide(const TextSample& text, wchar_t* out, std::size_t outCount) {
        return std::mbstowcs(out, text.utf8.c_str(), outCount);
    }
    std::size_t toUtf8(const TextSample& text, char* out, std::size_t outSize) {
        return std::wcstombs(out, text.wide.c_str(), outSize);
    }

private:
    ScopedLocale _locale;
};

/// Room for the largest sample in either encoding, terminator included.
struct ConversionOutput {
    explicit ConversionOutput(const std::vector<TextSample>& samples) {
        for (const TextSample& sample : samples) {
            wide.resize(std::max(wide.size(), sample.wide.size() + 1));
            utf8.resize(std::max(utf8.size(), sample.utf8.size() + 1));
        }
    }
    std::vector<wchar_t> wide;
    std::vector<char> utf8;
};

/// The direction UTF-8 to wide.
struct ToWide {
    template <typename Converter>
    static std::size_t convert(Converter& converter, const TextSample& text,
                               ConversionOutput& output) {
        return converter.toWide(text, output.wide.data(), output.wide.size());
    }
};

/// The direction wide to UTF-8.
struct ToUtf8 {
    template <typename Converter>
    static std::size_t convert(Converter& converter, const TextSample& text,
                               ConversionOutput& output) {
        return converter.toUtf8(text, output.utf8.data(), output.utf8.size());
    }
};

/// True when `converter` turns every sample into its expected other form.
template <typename Converter>
bool convertsCorrectly(Converter& converter, const std::vector<TextSample>& samples) {
    for (const TextSample& sample : samples) {
        std::wstring wide(sample.wide.size() + 1, L'\0');
        std::string utf8(sample.utf8.size() + 1, '\0');
        if (converter.toWide(sample, wide.data(), wide.size()) != sample.wide.size() ||
            converter.toUtf8(sample, utf8.data(), utf8.size()) != sample.utf8.size())
            return false;
        wide.pop_back();
        utf8.pop_back();
        if (wide != sample.wide || utf8 != sample.utf8)
            return false;
    }
    return true;
}

} // namespace qimbench

#endif
