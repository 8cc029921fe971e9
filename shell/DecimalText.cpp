//===- shell/DecimalText.cpp - Reading decimal integers from text ---------===//
#include "shell/DecimalText.h"

#include <climits>

namespace {

// The white space of the C locale, which is what "%d" skips in this program.
bool isBlank(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool readDecimal(const char*& cursor, int& value) {
    const char* p = cursor;
    while (isBlank(static_cast<unsigned char>(*p)))
        ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    if (!isDigit(static_cast<unsigned char>(*p)))
        return false;
    // The magnitude is accumulated one past INT_MAX at most, so that INT_MIN still fits.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    for (; isDigit(static_cast<unsigned char>(*p)); ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > limit)
            return false;
    }
    value = static_cast<int>(negative ? -magnitude : magnitude);
    cursor = p;
    return true;
}
