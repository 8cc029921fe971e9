//===- fuzz/FuzzSupport.cpp - What every fuzz target shares ---------------===//
//
// The check failure report and the set-up of the process-wide objects.
//
//===----------------------------------------------------------------------------===//
#include "fuzz/FuzzSupport.h"

#include "utilities/diagnostics/TraceImplementation.h"
#include "utilities/settings/DebuggerSettings.h"
#include "utilities/strings/UTF8Converter.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace qimfuzz {

void failCheck(const char* file, int line, const char* condition, const char* format, ...) {
    std::fprintf(stderr, "\n==== property violated at %s:%d: %s\n     ", file, line, condition);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputs("\n", stderr);
    std::abort();
}

void pinProcessWideObjects(const char* codeset) {
    setenv("QIM_DBG_TRACE", "/dev/null", 1);
    if (codeset)
        setenv("QIM_DBG_CODEPAGE", codeset, 1);
    else
        unsetenv("QIM_DBG_CODEPAGE");
    DebuggerSettings::instance();
    TraceImplementation::start(nullptr);
    UTF8Converter::instance();
}

std::string printable(const std::string& bytes) {
    std::string shown;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            shown += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        }
    }
    return shown;
}

std::string printable(const std::wstring& units) {
    std::string shown;
    for (const wchar_t unit : units) {
        const auto value = static_cast<unsigned int>(unit);
        if (value >= 0x20 && value < 0x7F && value != '\\') {
            shown += static_cast<char>(value);
        } else {
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "\\u{%X}", value);
            shown += escaped;
        }
    }
    return shown;
}

std::string bytesOf(const StringBuffer<char>& text) {
    return std::string(text.buffer(), text.length());
}

std::string bytesOf(const ByteString& text) {
    return std::string(text.chars(), text.length());
}

std::wstring unitsOf(const StringBuffer<wchar_t>& text) {
    return std::wstring(text.buffer(), text.length());
}

std::wstring stripBlanks(const std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

unsigned int modelMatchLength(const std::wstring& a, const std::wstring& b, int exact) {
    const auto lower = [](std::uint32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    unsigned int i = 0;
    for (; i < a.size() && i < b.size(); ++i) {
        const auto x = static_cast<std::uint32_t>(a[i]);
        const auto y = static_cast<std::uint32_t>(b[i]);
        if (x == y)
            continue;
        if (exact != 0 || x > 127 || y > 127 || lower(x) != lower(y))
            break;
    }
    return i;
}

} // namespace qimfuzz
