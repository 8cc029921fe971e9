//===- shell/StartSignal.cpp - The SIGFPE handshake -----------------------===//
#include "shell/StartSignal.h"

#include <ctime>
#include <poll.h>

volatile sig_atomic_t start_signal_received = 0;

namespace {

/// The longest pause between two looks at the flag: 50 milliseconds.
constexpr timespec pollInterval = {0, 50 * 1000 * 1000};

/// The pause between two looks at the process that is to send the signal: one second, as
/// the shell's parent probes its master.
constexpr long senderProbeInterval = 1000 * 1000 * 1000;

/// Nanoseconds on the monotonic clock.
long long monotonicNanoseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 * 1000 * 1000 + now.tv_nsec;
}

/// The set holding only the start signal.
sigset_t startSignalOnly() {
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, startSignal);
    return only;
}

} // namespace

void on_start_signal(int) {
    start_signal_received = 1;
}

void setSignalAction(int signal, void (*action)(int)) {
    struct sigaction request = {};
    request.sa_handler = action;
    sigemptyset(&request.sa_mask);
    request.sa_flags = 0; // neither reset after one delivery nor restarting the sleep
    sigaction(signal, &request, nullptr);
}

void holdStartSignal() {
    const sigset_t only = startSignalOnly();
    sigprocmask(SIG_BLOCK, &only, nullptr);
}

void waitForStartSignal() {
    waitForStartSignalWhile(nullptr);
}

bool waitForStartSignalWhile(bool (*senderExists)()) {
    sigset_t whileAsleep;
    sigprocmask(SIG_BLOCK, nullptr, &whileAsleep);
    sigdelset(&whileAsleep, startSignal);
    long long nextProbe = monotonicNanoseconds() + senderProbeInterval;
    // ppoll() installs this mask and sleeps in one step: a pending signal is delivered at
    // once, and one that arrives during the sleep ends it. Either way the handler has run.
    while (!start_signal_received) {
        ppoll(nullptr, 0, &pollInterval, &whileAsleep);
        if (senderExists == nullptr || monotonicNanoseconds() < nextProbe)
            continue;
        if (!senderExists())
            break;
        nextProbe = monotonicNanoseconds() + senderProbeInterval;
    }
    // A signal that came while the sender was probed is let in here, before the answer.
    const sigset_t only = startSignalOnly();
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    return start_signal_received != 0;
}
