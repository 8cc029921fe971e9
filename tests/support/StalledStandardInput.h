//===- tests/support/StalledStandardInput.h - An input that never delivers -*- C++ -*-===//
//
// Makes this process's standard input, and so that of every program it starts from now
// on, a pipe that stays open and delivers nothing, for the lifetime of the object: a
// program that reads it waits until it is ended, instead of seeing end of file as it would
// with /dev/null. The original standard input comes back when the object goes.
//
// Usage:
//   qimtest::StalledStandardInput stalled;
//   qimtest::ChildResult result = qimtest::runProgram(program, arguments, environment);
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SUPPORT_STALLEDSTANDARDINPUT_H
#define QIM_TESTS_SUPPORT_STALLEDSTANDARDINPUT_H

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace qimtest {

class StalledStandardInput {
public:
    StalledStandardInput() {
        _saved = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0); // -1 when there is none
        int ends[2];
        // The writing end is close-on-exec: only this process holds it open, so the
        // programs it starts cannot keep the pipe alive after the test.
        if (pipe2(ends, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe2 failed");
        _writer = ends[1];
        if (ends[0] == STDIN_FILENO) { // there was no standard input: the pipe took its place
            fcntl(STDIN_FILENO, F_SETFD, 0);
            return;
        }
        dup2(ends[0], STDIN_FILENO); // dup2 leaves the new descriptor inheritable
        close(ends[0]);
    }
    ~StalledStandardInput() {
        if (_saved >= 0) {
            dup2(_saved, STDIN_FILENO);
            close(_saved);
        } else {
            close(STDIN_FILENO);
        }
        close(_writer);
    }
    StalledStandardInput(const StalledStandardInput&) = delete;
    StalledStandardInput& operator=(const StalledStandardInput&) = delete;

private:
    int _writer; ///< the writing end, held open and never written
    int _saved;  ///< the original standard input, or -1 when there was none
};

} // namespace qimtest

#endif
