//===- tests/shell/FailingFork.cpp - A fork that always fails -------------===//
//
// Preloaded into the shell by the tests of a failed fork: the process-creation call
// fails as it does when the user's process limit is reached.
//
//===----------------------------------------------------------------------------===//
#include <cerrno>
#include <unistd.h>

extern "C" pid_t fork() {
    errno = EAGAIN;
    return -1;
}
