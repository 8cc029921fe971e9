//===- fuzz/ReferenceDecimal.cpp - Decimal numbers as the C library reads them ---===//
#include "fuzz/ReferenceDecimal.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace qimfuzz {

namespace {

/// The first byte that is not C white space.
const char* skipSpace(const char* text) {
    while (std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    return text;
}

} // namespace

DecimalReading readSignedDecimal(const char* text, long long low, long long high) {
    DecimalReading reading;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (end == text)
        return reading;
    reading.found = true;
    reading.whole = *end == '\0';
    reading.inRange = errno != ERANGE && value >= low && value <= high;
    reading.value = value;
    return reading;
}

DecimalReading readUnsignedDecimal(const char* text, unsigned long long high) {
    DecimalReading reading;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (end == text)
        return reading;
    const bool negative = *skipSpace(text) == '-';
    const unsigned long long magnitude = negative ? 0 - value : value;
    reading.found = true;
    reading.whole = *end == '\0';
    reading.inRange = errno != ERANGE && magnitude <= high;
    reading.value = static_cast<long long>(value);
    return reading;
}

} // namespace qimfuzz
