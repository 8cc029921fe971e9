//===- tools/qimmaster/Timeline.h - The handshake step by step -*- C++ -*-===//
//
// With --timeline qimmaster reports each step of a launch on standard error, stamped with
// the milliseconds since it started, so that a person (or a test) can follow the
// handshake and see every process id, the queue key and the queue id involved:
//
//   qimmaster: [   0.4 ms] queue created (key 1627521345, id 4)
//   qimmaster: [   1.2 ms] shell 1234 started
//
// Without --timeline every note is dropped.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TOOLS_QIMMASTER_TIMELINE_H
#define QIM_TOOLS_QIMMASTER_TIMELINE_H

#include <chrono>

namespace qimmaster {

class Timeline {
public:
    using Clock = std::chrono::steady_clock;

    /// Notes are written only when `enabled`; times count from `start`.
    Timeline(bool enabled, Clock::time_point start) : _enabled(enabled), _start(start) {}

    /// Writes one stamped line of printf-style text on standard error.
    void note(const char* format, ...) const __attribute__((format(printf, 2, 3)));

private:
    bool _enabled;            ///< --timeline was given
    Clock::time_point _start; ///< when qimmaster started
};

} // namespace qimmaster

#endif
