//===- fuzz/FuzzSupport.h - What every fuzz target shares -*- C++ -*-===//
//
// The property check that every fuzz target reports a violation through, and the set-up
// that pins the process-wide objects of the library before the first input: the trace
// goes to /dev/null whatever the calling shell exported (so that traced text from the
// fuzzer is composed and written, but never lands in a file), and the native code page
// is the one the target names.
//
// Usage:
//   QIM_FUZZ_INITIALIZE_WITH_CODESET("ISO-8859-1")
//   QIM_FUZZ_CHECK(result == expected, "decoded %u units, expected %u", result, expected);
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_FUZZ_FUZZSUPPORT_H
#define QIM_FUZZ_FUZZSUPPORT_H

#include "utilities/strings/ByteString.h"
#include "utilities/strings/StringBuffer.h"

#include <string>

namespace qimfuzz {

/// Prints where and which property failed, with the printf-style detail, and aborts, so
/// that libFuzzer keeps the input as a crash artefact.
[[noreturn]] void failCheck(const char* file, int line, const char* condition, const char* format,
                            ...) __attribute__((format(printf, 4, 5)));

/// Sets QIM_DBG_TRACE to /dev/null and QIM_DBG_CODEPAGE to `codeset` (unset when null),
/// then builds the settings table, the trace (armed, so that records are written) and the
/// code-page converter, which keep what they read for the life of the process.
void pinProcessWideObjects(const char* codeset);

/// `bytes` with every byte shown: printable ASCII as it is, everything else as \xHH.
std::string printable(const std::string& bytes);
std::string printable(const std::wstring& units);

/// The counted contents of the library's strings, zero elements included.
std::string bytesOf(const StringBuffer<char>& text);
std::string bytesOf(const ByteString& text);
std::wstring unitsOf(const StringBuffer<wchar_t>& text);

/// `text` without the blanks (U+0020) before and after it.
std::wstring stripBlanks(const std::wstring& text);

/// How many leading units two texts share; unless `exact`, ASCII letters match in either
/// case (CharString::matchLength).
unsigned int modelMatchLength(const std::wstring& a, const std::wstring& b, int exact);

} // namespace qimfuzz

/// Defines the target's LLVMFuzzerInitialize as pinProcessWideObjects(`codeset`).
#define QIM_FUZZ_INITIALIZE_WITH_CODESET(codeset)                                                  \
    extern "C" int LLVMFuzzerInitialize(int*, char***) {                                           \
        ::qimfuzz::pinProcessWideObjects(codeset);                                                 \
        return 0;                                                                                  \
    }

/// Aborts with a message naming the property when `condition` does not hold.
#define QIM_FUZZ_CHECK(condition, ...)                                                             \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::qimfuzz::failCheck(__FILE__, __LINE__, #condition, __VA_ARGS__);                     \
    } while (0)

#endif
