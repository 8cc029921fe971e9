//===- shell/StartSignal.cpp - The SIGFPE handshake -----------------------===//
#include "shell/StartSignal.h"

#include <unistd.h>

volatile sig_atomic_t start_signal_received = 0;

namespace {

/// The pause between two looks at the flag.
constexpr useconds_t pollInterval = 50000;

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

void waitForStartSignal() {
    while (!start_signal_received)
        usleep(pollInterval);
}
