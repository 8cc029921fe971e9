//===- utilities/sync/ElapsedTime.h - Wall-clock stopwatch -*- C++ -*-===//
//
// A stopwatch on the time of day: it notes when it was created or last reset, and renders
// the time passed since then as seconds, a point and exactly six digits of microseconds
// ("12.000345"). The trace stamps its records with it. The microseconds are counted in 32
// unsigned bits, so the text starts again from 0.000000 every 4294.967296 seconds.
//
// Rendering allocates nothing: the text lives in the object and each call overwrites the
// previous one, so a caller that needs a text after the next call copies it.
//
//   ElapsedTime clock;
//   ...
//   printf("%s\n", clock.elapsed());
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_SYNC_ELAPSEDTIME_H
#define QIM_UTILITIES_SYNC_ELAPSEDTIME_H

#include <cstddef>
#include <sys/time.h>

class ElapsedTime {
public:
    /// Starts the stopwatch at the current time of day.
    ElapsedTime();

    /// Starts counting again from the current time of day.
    void reset();
    /// Renders the time since the start into the object's text and returns that text.
    char* elapsed();
    /// The same as elapsed() on a const object; it still rewrites the text.
    char* elapsedTime() const;
    /// Renders the time since the start into `text`, which holds textSize bytes, and returns
    /// it. The object itself is not written, so threads sharing one stopwatch (the trace's)
    /// each get a text of their own.
    char* elapsedTimeInto(char* text) const;
    /// Whole milliseconds since the start (the low 32 bits of the count).
    unsigned int elapsedMilliseconds();

    /// Makes `start` the stopwatch's start, as if reset() had run at that time of day.
    /// Lets tests place the start far in the past without waiting.
    void setStart(const timeval& _start);
    /// Renders the time from the start to `now` into the text and returns it: elapsed()
    /// with the time of day given instead of read, so that results can be checked exactly.
    char* elapsedAt(const timeval& now) const;
    /// elapsedMilliseconds() with the time of day given instead of read.
    unsigned int elapsedMillisecondsAt(const timeval& now) const;

    /// Bytes of a rendered text, its terminating zero included (at most 18 are used).
    static constexpr std::size_t textSize = 52;

private:
    /// Renders the time from the start to `now` into `text` (textSize bytes).
    char* renderAt(const timeval& now, char* text) const;

    /// The last rendered text, zero-terminated; rewritten by the const renderers too.
    mutable char _text[textSize];
    /// Time of day of construction or of the last reset().
    timeval _start;
};

#endif
