//===- tests/support/ChildProcess.h - Running code in a real child process -*- C++ -*-===//
//
// Tests of process-wide objects, of fork and of programs need a process of their own.
// These helpers run either a function in a forked child or a program with exactly the
// environment given, and return how the child ended and everything it wrote to its
// standard output and standard error.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SUPPORT_CHILDPROCESS_H
#define QIM_TESTS_SUPPORT_CHILDPROCESS_H

#include <functional>
#include <string>
#include <vector>

namespace qimtest {

struct ChildResult {
    int waitStatus = 0; ///< as waitpid reports it
    std::string out;    ///< what the child wrote to standard output
    std::string err;    ///< what the child wrote to standard error

    /// The exit status; -1 when the child did not exit normally.
    int exitCode() const;
};

/// Forks; the child runs `body` with its standard output and error captured, flushes the
/// standard streams and ends with _exit of the value `body` returns.
ChildResult runInChild(const std::function<int()>& body);

/// Runs `program` with `arguments` (without argv[0], which is `program`) and exactly the
/// "NAME=value" entries of `environment`.
ChildResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment);

} // namespace qimtest

#endif
