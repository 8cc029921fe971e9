//===- tests/utilities/sync/ElapsedTimeTest.cpp - Wall-clock stopwatch ---===//
//
// Tests of ElapsedTime. Exact texts are checked with the time of day given (elapsedAt);
// the real clock is checked by bracketing: a reading taken between two times of day t0 and
// t1 must lie between the intervals that those two give, however long the machine stalls.
//
//===----------------------------------------------------------------------------===//
#include "utilities/sync/ElapsedTime.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>

namespace {

const std::int64_t perSecond = 1000000;

timeval timeOfDay() {
    timeval now;
    gettimeofday(&now, nullptr);
    return now;
}

timeval plus(const timeval& t, std::int64_t microseconds) {
    const std::int64_t total = t.tv_sec * perSecond + t.tv_usec + microseconds;
    return timeval{total / perSecond, total % perSecond};
}

std::int64_t between(const timeval& from, const timeval& to) {
    return (to.tv_sec - from.tv_sec) * perSecond + (to.tv_usec - from.tv_usec);
}

// The microseconds that a text "<seconds>.<six digits>" stands for; -1 for any other text.
std::int64_t parse(const std::string& text) {
    static const std::regex stamp("([0-9]+)\\.([0-9]{6})");
    std::smatch parts;
    if (!std::regex_match(text, parts, stamp))
        return -1;
    return std::stoll(parts[1]) * perSecond + std::stoll(parts[2]);
}

const timeval someStart = {1700000000, 250000};

struct RenderingCase {
    std::int64_t interval; // microseconds from the start to the reading
    const char* text;
    const char* guards;
};

TEST(ElapsedTimeTest, RendersSecondsAndExactlySixDigitsModuloTwoToThe32Microseconds) {
    const RenderingCase cases[] = {
        {0, "0.000000", "no leading zeros in the fraction"},
        {12, "0.000012", "fraction printed without its leading zeros"},
        {750000, "0.750000", "microseconds borrowed wrongly across a second"},
        {2500000, "2.500000", "plain seconds and fraction"},
        {4294967295LL, "4294.967295", "wrap one microsecond too early"},
        {4294967296LL, "0.000000", "no wrap at 2^32 microseconds"},
        {4300LL * perSecond, "5.032704", "difference kept in 64 bits"},
        {10000LL * perSecond, "1410.065408", "only one wrap subtracted"},
    };
    ElapsedTime clock;
    clock.setStart(someStart);
    for (const RenderingCase& c : cases)
        EXPECT_STREQ(clock.elapsedAt(plus(someStart, c.interval)), c.text) << c.guards;
}

TEST(ElapsedTimeTest, MillisecondsAreCountedInSixtyFourBitsAndTruncated) {
    const struct {
        std::int64_t interval;
        unsigned int milliseconds;
        const char* guards;
    } cases[] = {
        {999, 0u, "rounding instead of truncating"},
        {2500000, 2500u, "wrong unit"},
        {4300LL * perSecond, 4300000u, "the 32-bit microsecond wrap applied to milliseconds"},
        // A start 1 ms in the future (the clock was set back): the 64-bit difference
        // -1000 us, divided as an unsigned value, keeps its low 32 bits.
        {-1000, 1271310318u, "the negative difference divided as a signed value"},
    };
    ElapsedTime clock;
    clock.setStart(someStart);
    for (const auto& c : cases)
        EXPECT_EQ(clock.elapsedMillisecondsAt(plus(someStart, c.interval)), c.milliseconds)
            << c.guards;
}

TEST(ElapsedTimeTest, ReadingRightAfterConstructionIsZeroPointSixDigits) {
    // Guards against a start left unset by the constructor, and a malformed text.
    const timeval t0 = timeOfDay();
    ElapsedTime clock;
    const std::string text = clock.elapsed();
    const timeval t1 = timeOfDay();
    const std::int64_t value = parse(text);
    EXPECT_GE(value, 0) << text;
    EXPECT_LE(value, between(t0, t1)) << text;
}

TEST(ElapsedTimeTest, RealClockReadingsMeasureFromTheStartAndWrap) {
    // Guards against the real clock being read wrongly by elapsed(), elapsedTime() or
    // elapsedMilliseconds(): 2.5 s renders as 2.5 s and more, 4300 s wraps to 5.032704 s.
    for (std::int64_t interval : {2500000LL, 4300LL * perSecond}) {
        SCOPED_TRACE(interval);
        const std::int64_t wrapped = interval % (std::int64_t(1) << 32);
        ElapsedTime clock;
        const ElapsedTime& constClock = clock;
        const timeval t0 = timeOfDay();
        clock.setStart(plus(t0, -interval));
        const std::int64_t fromElapsed = parse(clock.elapsed());
        const std::int64_t fromConst = parse(constClock.elapsedTime());
        const unsigned int milliseconds = clock.elapsedMilliseconds();
        const std::int64_t slack = between(t0, timeOfDay());

        EXPECT_GE(fromElapsed, wrapped);
        EXPECT_GE(fromConst, fromElapsed);
        EXPECT_LE(fromConst, wrapped + slack);
        EXPECT_GE(milliseconds, interval / 1000);
        EXPECT_LE(milliseconds, (interval + slack) / 1000);
    }
}

TEST(ElapsedTimeTest, ElapsedKeepsTheStartAndResetRestartsFromZero) {
    ElapsedTime clock;
    clock.setStart(plus(timeOfDay(), -100 * perSecond));
    EXPECT_GE(parse(clock.elapsed()), 100 * perSecond);
    EXPECT_GE(parse(clock.elapsed()), 100 * perSecond) << "elapsed() restarted the count";

    const timeval t0 = timeOfDay();
    clock.reset();
    const std::int64_t value = parse(clock.elapsed());
    EXPECT_GE(value, 0);
    EXPECT_LE(value, between(t0, timeOfDay())) << "reset() did not restart the count";
}

} // namespace
