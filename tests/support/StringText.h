//===- tests/support/StringText.h - Library strings as std strings -*- C++ -*-===//
//
// The counted contents of the library's strings as standard strings, zero elements
// included, so that tests can compare them and print them on failure.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SUPPORT_STRINGTEXT_H
#define QIM_TESTS_SUPPORT_STRINGTEXT_H

#include "utilities/strings/EncodedString.h"
#include "utilities/strings/StringBuffer.h"

#include <string>

namespace qimtest {

/// `bytes` as an EncodedString that holds them unchanged, zero bytes included.
inline EncodedString utf8(const std::string& bytes) {
    return EncodedString(StringBuffer<char>(bytes.data(), static_cast<unsigned int>(bytes.size())),
                         EncodedString::UTF8);
}

inline std::string text(const StringBuffer<char>& value) {
    return std::string(value.buffer(), value.length());
}

inline std::string text(const StringBuffer<unsigned char>& value) {
    return std::string(reinterpret_cast<const char*>(value.buffer()), value.length());
}

inline std::wstring text(const StringBuffer<wchar_t>& value) {
    return std::wstring(value.buffer(), value.length());
}

} // namespace qimtest

#endif
