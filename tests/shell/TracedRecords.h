//===- tests/shell/TracedRecords.h - Reading records out of a trace -*- C++ -*-===//
//
// The shell's tests look for records by type, place and text; the source line that every
// record carries after its place is not what they test.
//
//   EXPECT_THAT(recordTexts(lines, "VEK"), ElementsAre("Starting....  pid = 12", ...));
//   EXPECT_THAT(lines, Contains(isRecord("ERROR", "void UNIX_ShellMsgQueue::open_queue", "...")));
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SHELL_TRACEDRECORDS_H
#define QIM_TESTS_SHELL_TRACEDRECORDS_H

#include "tests/support/TextLines.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

namespace qimtest {

/// Matches a trace line, time stamp removed, of a record of `type` written at `place`
/// (as printed: cut before its first parenthesis) with the text `text`.
inline auto isRecord(const std::string& type, const std::string& place, const std::string& text) {
    return ::testing::AllOf(::testing::StartsWith("**" + type + ": " + place + "("),
                            ::testing::EndsWith("): " + text));
}

/// The texts of the records of `type` among `lines` (time stamps removed), in order.
inline std::vector<std::string> recordTexts(const std::vector<std::string>& lines,
                                            const std::string& type) {
    std::vector<std::string> texts;
    const std::string prefix = "**" + type + ": ";
    for (const std::string& line : lines) {
        if (line.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::size_t end = line.find("): ", prefix.size());
        if (end != std::string::npos)
            texts.push_back(line.substr(end + 3));
    }
    return texts;
}

/// recordTexts of the trace file `path`.
inline std::vector<std::string> recordTextsOfFile(const std::string& path,
                                                  const std::string& type) {
    return recordTexts(withoutStamps(readLines(path)), type);
}

} // namespace qimtest

#endif
