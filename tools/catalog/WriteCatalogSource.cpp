//===- tools/catalog/WriteCatalogSource.cpp - Writes the message catalog's source -------------===//
//
// Writes the gencat source (XPG4 message-source format) of the utility library's message
// catalog, qimpex1.cat, from the default message set that the library carries. The build
// runs it and compiles its output with gencat, so the catalog's numbering is the table's and
// cannot drift from it. The same file is the template that translators start from, so it
// says in its comments what it is and what must be kept.
//
// Usage: write_catalog_source <output path>
//
//===------------------------------------------------------------------------------------------===//
#include "utilities/messages/DefaultMessageSet.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// What a translator needs to know, as gencat comment lines ("$ " lines, which gencat skips).
const char* const preamble[] = {
    "$ The English messages of the qim utility library: the source of msg/en_US/qimpex1.cat.",
    "$ The build writes this file from the library's default message set; edit that table, not",
    "$ this copy.",
    "$ To translate, copy this file, translate the texts between the double quotes and compile",
    "$ the copy with gencat into msg/<locale>/qimpex1.cat under the installation directory.",
    "$ Keep every message number and set number: programs look messages up by number, and a",
    "$ number missing from a catalog gives the English text. Keep %1 to %4 (the places where",
    "$ values are inserted), \\n (a line break), \\\" (a double quote) and \\\\ (a backslash).",
};

// The text as gencat reads it back after "$quote \"": between double quotes, with a newline
// written as \n, a double quote as \" and a backslash as \\; every other byte stands for itself.
std::string quoted(const char* text) {
    std::string result = "\"";
    for (; *text != '\0'; ++text) {
        switch (*text) {
        case '\n':
            result += "\\n";
            break;
        case '"':
            result += "\\\"";
            break;
        case '\\':
            result += "\\\\";
            break;
        default:
            result += *text;
        }
    }
    result += '"';
    return result;
}

// Writes the whole source; false when a write failed (errno tells why).
bool writeSource(std::FILE* out) {
    for (const char* line : preamble) {
        if (std::fprintf(out, "%s\n", line) < 0) {
            return false;
        }
    }
    if (std::fputs("$quote \"\n", out) < 0) {
        return false;
    }
    for (int set = 1; set <= zormsgSetSizes[0]; ++set) {
        if (std::fprintf(out, "$set %d\n", set) < 0) {
            return false;
        }
        for (int number = 1; number <= zormsgSetSizes[set]; ++number) {
            const std::string text = quoted(zormsgMessageSet[set][number]);
            if (std::fprintf(out, "%d %s\n", number, text.c_str()) < 0) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output path>\n", argv[0]);
        return 2;
    }
    const char* path = argv[1];
    std::FILE* out = std::fopen(path, "w");
    bool written = out != nullptr && writeSource(out);
    int error = errno;
    if (out != nullptr && std::fclose(out) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        // Leave no partial source behind, so that the build does not take it for current.
        std::remove(path);
        std::fprintf(stderr, "%s: cannot write %s: %s\n", argv[0], path, std::strerror(error));
        return 1;
    }
    return 0;
}
