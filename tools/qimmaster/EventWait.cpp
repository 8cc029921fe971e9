//===- tools/qimmaster/EventWait.cpp - Waiting for children and requests --===//
#include "tools/qimmaster/EventWait.h"

#include "tools/qimmaster/MasterError.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace qimmaster {

namespace {

/// The longest single sigtimedwait; a longer wait is taken in slices of this size.
constexpr std::chrono::hours longestSlice{1};

timespec toTimespec(Clock::duration duration) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    const auto nanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(duration - seconds);
    timespec result;
    result.tv_sec = static_cast<time_t>(seconds.count());
    result.tv_nsec = static_cast<long>(nanoseconds.count());
    return result;
}

} // namespace

void throwTimedOut(const std::string& awaited, std::chrono::milliseconds limit) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", static_cast<double>(limit.count()) / 1000);
    throw MasterError(masterFailureStatus,
                      "no " + awaited + " within " + seconds + " s (the limit of --timeout)");
}

EventWait::EventWait() {
    sigemptyset(&_watched);
    for (int signal : {SIGCHLD, SIGTERM, SIGHUP, SIGINT})
        sigaddset(&_watched, signal);
    sigprocmask(SIG_BLOCK, &_watched, &_originalMask);
    sigemptyset(&_changedDispositions);
    ignore(SIGQUIT, _originalQuit);
}

EventWait::~EventWait() {
    // Whatever is still pending arrived while the launch was ending anyway; unblocked, a
    // request would kill qimmaster before it could report how the launch went.
    const timespec immediately = {0, 0};
    while (sigtimedwait(&_watched, nullptr, &immediately) > 0) {
    }
    sigaction(SIGQUIT, &_originalQuit, nullptr);
    if (_interruptsIgnored)
        sigaction(SIGINT, &_originalInterrupt, nullptr);
    sigprocmask(SIG_SETMASK, &_originalMask, nullptr);
}

bool EventWait::awaitChildEvent(Deadline deadline) {
    const int signal = awaitSignal(deadline);
    if (signal == 0 || signal == SIGCHLD)
        return signal == SIGCHLD;
    throw MasterError(signalStatusBase + signal, "ended by signal " + std::to_string(signal) +
                                                     " (" + strsignal(signal) +
                                                     "); the launch was cleaned up");
}

bool EventWait::awaitChildEventDuringCleanUp(Deadline deadline) {
    for (;;) {
        const int signal = awaitSignal(deadline);
        if (signal == 0 || signal == SIGCHLD)
            return signal == SIGCHLD;
    }
}

// Linux keeps a blocked signal pending even while it is ignored, so SIGINT also leaves the
// watched set and the mask: ignored and unblocked, it is dropped when it arrives.
void EventWait::ignoreInterrupts() {
    if (_interruptsIgnored)
        return;
    ignore(SIGINT, _originalInterrupt);
    sigdelset(&_watched, SIGINT);
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    sigprocmask(SIG_UNBLOCK, &interrupt, nullptr);
    _interruptsIgnored = true;
}

int EventWait::awaitSignal(Deadline deadline) {
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return 0;
        const timespec slice = toTimespec(std::min<Clock::duration>(deadline - now, longestSlice));
        const int signal = sigtimedwait(&_watched, nullptr, &slice);
        if (signal > 0)
            return signal;
        // EAGAIN: the slice ran out; EINTR: interrupted without a watched signal. Either
        // way the deadline decides.
    }
}

void EventWait::ignore(int signal, struct sigaction& original) {
    struct sigaction ignoring;
    std::memset(&ignoring, 0, sizeof ignoring);
    ignoring.sa_handler = SIG_IGN;
    sigemptyset(&ignoring.sa_mask);
    sigaction(signal, &ignoring, &original);
    if (original.sa_handler != SIG_IGN)
        sigaddset(&_changedDispositions, signal);
}

} // namespace qimmaster
