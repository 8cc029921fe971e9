//===- tests/support/LargeValues.h - Values of every size and byte -*- C++ -*-===//
//
// Arguments, environment values and trace texts of any size must reach no fixed buffer
// unchecked. The tests try each with the same sizes, filled with every byte from 0x01 to
// 0xFF, and read back the trace records that carry them, cut as the trace cuts them.
//
//   for (std::size_t size : qimtest::valueSizes(qimtest::largestExecString))
//       arguments.push_back(qimtest::everyByte(size));
//   for (const std::string& record : qimtest::traceRecords(qimtest::readFile(trace)))
//       ...
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SUPPORT_LARGEVALUES_H
#define QIM_TESTS_SUPPORT_LARGEVALUES_H

#include "tests/support/TextLines.h"

namespace qimtest {

/// The longest string that one argument or environment entry may be across an exec on
/// Linux (MAX_ARG_STRLEN, 32 pages, less its zero byte).
constexpr std::size_t largestExecString = 32 * 4096 - 1;

/// The bytes 0x01 to 0xFF, over and over, cut to `size`.
inline std::string everyByte(std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>(1 + i % 255);
    return text;
}

/// The sizes each value is tried with: none, one byte, either side of a page and of a
/// path's limit, 64 KiB, and `largest` (200000 where no exec limits the value).
inline std::vector<std::size_t> valueSizes(std::size_t largest = 200000) {
    return {0, 1, 4095, 4096, 65536, largest};
}

/// The records of a trace file's `text`, each from its stamp up to and including the
/// newline before the next stamp: a record's own text may hold newlines, and every-byte
/// text never holds a newline followed by a digit.
inline std::vector<std::string> traceRecords(const std::string& text) {
    std::vector<std::string> records;
    for (std::size_t start = 0, i = 0; i < text.size(); ++i)
        if (i + 1 == text.size() || (text[i] == '\n' && stampLength(text, i + 1) != 0)) {
            records.push_back(text.substr(start, i + 1 - start));
            start = i + 1;
        }
    return records;
}

/// The part of `record` up to the place `place`, its line and the colon and blank after
/// them: what the trace puts before the caller's text. Empty when `place` is not there.
inline std::string recordPrefix(const std::string& record, const std::string& place) {
    const std::size_t at = record.find(place + "(");
    const std::size_t end = at == std::string::npos ? at : record.find("): ", at);
    return end == std::string::npos ? std::string() : record.substr(0, end + 3);
}

/// The record that the trace writes for `whole`, a record without its newline: cut to fit
/// the record buffer of 128000 bytes (its newline and terminator included), then the newline.
inline std::string writtenRecord(const std::string& whole) {
    return whole.substr(0, 128000 - 2) + "\n";
}

} // namespace qimtest

#endif
