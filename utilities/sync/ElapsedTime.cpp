//===- utilities/sync/ElapsedTime.cpp - Wall-clock stopwatch ---===//
//
// The stopwatch's arithmetic. The text counts microseconds modulo 2^32 on every host, so
// that it wraps where it always has; the millisecond count uses 64 bits and does not wrap
// until its low 32 bits do.
//
//===----------------------------------------------------------------------------===//
#include "utilities/sync/ElapsedTime.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

timeval timeOfDay() {
    timeval now;
    gettimeofday(&now, nullptr);
    return now;
}

// (to - from) in microseconds, modulo 2^32. Each part is first reduced to 32 bits; as
// unsigned arithmetic wraps, the result is the same as reducing the exact difference.
std::uint32_t microsecondsModulo32(const timeval& from, const timeval& to) {
    const auto seconds = static_cast<std::uint32_t>(to.tv_sec - from.tv_sec);
    const auto microseconds = static_cast<std::uint32_t>(to.tv_usec - from.tv_usec);
    return seconds * 1000000u + microseconds;
}

// (to - from) in microseconds as a two's-complement 64-bit value; computed unsigned so
// that no value of the fields can overflow.
std::uint64_t microseconds64(const timeval& from, const timeval& to) {
    const std::uint64_t seconds =
        static_cast<std::uint64_t>(to.tv_sec) - static_cast<std::uint64_t>(from.tv_sec);
    const std::uint64_t microseconds =
        static_cast<std::uint64_t>(to.tv_usec) - static_cast<std::uint64_t>(from.tv_usec);
    return seconds * 1000000u + microseconds;
}

} // namespace

ElapsedTime::ElapsedTime() : _text{} {
    reset();
}

void ElapsedTime::reset() {
    _start = timeOfDay();
}

void ElapsedTime::setStart(const timeval& newStart) {
    _start = newStart;
}

char* ElapsedTime::elapsed() {
    return elapsedAt(timeOfDay());
}

char* ElapsedTime::elapsedTime() const {
    return elapsedAt(timeOfDay());
}

unsigned int ElapsedTime::elapsedMilliseconds() {
    return elapsedMillisecondsAt(timeOfDay());
}

char* ElapsedTime::elapsedTimeInto(char* text) const {
    return renderAt(timeOfDay(), text);
}

char* ElapsedTime::elapsedAt(const timeval& now) const {
    return renderAt(now, _text);
}

char* ElapsedTime::renderAt(const timeval& now, char* text) const {
    const std::uint32_t us = microsecondsModulo32(_start, now);
    // "<seconds>.<six digits>", written by hand: it heads every trace record.
    char* end = text + textSize - 1;
    *end = '\0';
    char* first = end;
    std::uint32_t micros = us % 1000000u;
    for (int digit = 0; digit < 6; ++digit, micros /= 10)
        *--first = static_cast<char>('0' + micros % 10);
    *--first = '.';
    std::uint32_t seconds = us / 1000000u;
    do {
        *--first = static_cast<char>('0' + seconds % 10);
        seconds /= 10;
    } while (seconds != 0);
    return static_cast<char*>(std::memmove(text, first, static_cast<std::size_t>(end - first) + 1));
}

unsigned int ElapsedTime::elapsedMillisecondsAt(const timeval& now) const {
    return static_cast<unsigned int>(microseconds64(_start, now) / 1000u);
}
