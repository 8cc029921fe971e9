//===- tests/support/TextLines.cpp - Comparing output line by line --------===//
#include "tests/support/TextLines.h"

#include <fstream>
#include <regex>
#include <sstream>

namespace qimtest {

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < text.size()) {
        const std::string::size_type end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

std::vector<std::string> readLines(const std::string& path) {
    return splitLines(readFile(path));
}

std::string withoutStamp(const std::string& line) {
    static const std::regex stamp(R"(^[0-9]+\.[0-9]{6} \(-?[0-9]+\): )");
    if (line.empty())
        return line;
    std::smatch match;
    if (!std::regex_search(line, match, stamp))
        return "NO STAMP: " + line;
    return match.suffix();
}

std::vector<std::string> withoutStamps(const std::vector<std::string>& lines) {
    std::vector<std::string> result;
    for (const std::string& line : lines)
        result.push_back(withoutStamp(line));
    return result;
}

} // namespace qimtest
