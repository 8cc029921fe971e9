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

char* ElapsedTime::elapsedAt(const timeval& now) const {
    const std::uint32_t us = microsecondsModulo32(_start, now);
    std::snprintf(_text, sizeof _text, "%u.%6.6u", static_cast<unsigned int>(us / 1000000u),
                  static_cast<unsigned int>(us % 1000000u));
    return _text;
}

unsigned int ElapsedTime::elapsedMillisecondsAt(const timeval& now) const {
    return static_cast<unsigned int>(microseconds64(_start, now) / 1000u);
}
