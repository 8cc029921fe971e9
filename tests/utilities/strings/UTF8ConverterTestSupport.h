//===- tests/utilities/strings/UTF8ConverterTestSupport.h - test helpers --*- C++ -*-===//
//
// Conversions through a UTF8Converter with std::string in and out, shared by the
// converter's test programs.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_UTILITIES_STRINGS_UTF8CONVERTERTESTSUPPORT_H
#define QIM_TESTS_UTILITIES_STRINGS_UTF8CONVERTERTESTSUPPORT_H

#include "tests/support/StringText.h"
#include "utilities/strings/UTF8Converter.h"

#include <string>

namespace qimtest {

inline std::string toNative(const std::string& utf8,
                            const UTF8Converter& converter = UTF8Converter::instance()) {
    return text(converter.toNative(utf8.data(), static_cast<unsigned int>(utf8.size())));
}

inline std::string fromNative(const std::string& native,
                              const UTF8Converter& converter = UTF8Converter::instance()) {
    return text(converter.fromNative(native.data(), static_cast<unsigned int>(native.size())));
}

} // namespace qimtest

#endif
