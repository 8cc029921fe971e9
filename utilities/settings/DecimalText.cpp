//===- utilities/settings/DecimalText.cpp - Decimal integers in text ------===//
#include "utilities/settings/DecimalText.h"

#include <climits>

namespace {

// The white space of the C locale, which "%d" skips.
bool isCSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

DecimalText scanDecimal(const char* begin, const char* end) {
    DecimalText result;
    result.end = begin;
    const char* p = begin;
    while (p < end && isCSpace(static_cast<unsigned char>(*p)))
        ++p;
    if (p < end && (*p == '+' || *p == '-'))
        result.negative = *p++ == '-';
    const char* const firstDigit = p;
    for (; p < end && isDigit(*p); ++p) {
        result.magnitude = result.magnitude * 10 + static_cast<unsigned>(*p - '0');
        if (result.magnitude > UINT32_MAX) {
            result.tooLarge = true;
            result.magnitude = UINT32_MAX + std::uint64_t(1); // never overflows, never 0
        }
    }
    result.found = p > firstDigit;
    if (result.found)
        result.end = p;
    result.whole = result.found && p == end;
    return result;
}

bool DecimalText::toInt(int& value) const {
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
    if (!found || magnitude > static_cast<std::uint64_t>(limit))
        return false;
    value = static_cast<int>(negative ? -static_cast<std::int64_t>(magnitude)
                                      : static_cast<std::int64_t>(magnitude));
    return true;
}
