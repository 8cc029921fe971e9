//===- tests/support/TextLines.cpp - Comparing output line by line --------===//
#include "tests/support/TextLines.h"

#include <fstream>
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

std::size_t stampLength(const std::string& text, std::size_t at) {
    std::size_t i = at;
    const auto digits = [&](std::size_t least, std::size_t most) {
        const std::size_t start = i;
        while (i < text.size() && i - start < most && text[i] >= '0' && text[i] <= '9')
            ++i;
        return i - start >= least;
    };
    const auto literal = [&](const char* expected) {
        for (; *expected != '\0'; ++expected, ++i)
            if (i >= text.size() || text[i] != *expected)
                return false;
        return true;
    };
    const std::size_t unbounded = std::string::npos;
    if (!digits(1, unbounded) || !literal(".") || !digits(6, 6) || !literal(" ("))
        return 0;
    if (i < text.size() && text[i] == '-')
        ++i;
    if (!digits(1, unbounded) || !literal("): "))
        return 0;
    return i - at;
}

} // namespace qimtest
