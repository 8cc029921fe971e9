//===- shell/StartSignal.cpp - The SIGFPE handshake -----------------------===//
#include "shell/StartSignal.h"

#include <ctime>
#include <poll.h>

volatile sig_atomic_t start_signal_received = 0;

namespace {

/// The longest pause between two looks at the flag: 50 milliseconds.
constexpr timespec pollInterval = {0, 50 * 1000 * 1000};

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
    sigset_t whileAsleep;
    sigprocmask(SIG_BLOCK, nullptr, &whileAsleep);
    sigdelset(&whileAsleep, startSignal);
    // ppoll() installs this mask and sleeps in one step: a pending signal is delivered at
    // once, and one that arrives during the sleep ends it. Either way the handler has run.
    while (!start_signal_received)
        ppoll(nullptr, 0, &pollInterval, &whileAsleep);
    const sigset_t only = startSignalOnly();
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
}
