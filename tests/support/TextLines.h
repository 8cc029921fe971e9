//===- tests/support/TextLines.h - Comparing output line by line -*- C++ -*-===//
//
// Output is compared line by line. These helpers split a text or a file into lines and
// find the variable time stamp and thread number that start a trace line.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SUPPORT_TEXTLINES_H
#define QIM_TESTS_SUPPORT_TEXTLINES_H

#include <cstddef>
#include <string>
#include <vector>

namespace qimtest {

/// The lines of `text` without their newlines; a text that does not end with a newline
/// gives its unterminated tail as a last line.
std::vector<std::string> splitLines(const std::string& text);
/// The whole content of a file; empty when it cannot be read.
std::string readFile(const std::string& path);
/// The lines of a file.
std::vector<std::string> readLines(const std::string& path);
/// The length of the trace record prefix "<seconds>.<micros> (<thread>): " that starts at
/// `at` in `text`; 0 when none starts there.
std::size_t stampLength(const std::string& text, std::size_t at = 0);

} // namespace qimtest

#endif
