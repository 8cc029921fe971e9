//===- tools/qimmaster/ExecReport.cpp - What a new image starts with ------===//
#include "tools/qimmaster/ExecReport.h"

#include <climits>
#include <cstring>
#include <elf.h>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace qimmaster {

namespace {

std::string procPath(pid_t pid, const char* entry) {
    return "/proc/" + std::to_string(pid) + "/" + entry;
}

/// The whole content of a /proc file, zero bytes included; empty when it cannot be read.
std::string readProcFile(pid_t pid, const char* entry) {
    std::ifstream file(procPath(pid, entry), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

/// One entry of the auxiliary vector: a type and its value, each of the native word size.
struct AuxiliaryEntry {
    unsigned long type;
    unsigned long value;
};

} // namespace

std::string imagePath(pid_t pid) {
    char path[PATH_MAX];
    const ssize_t length = readlink(procPath(pid, "exe").c_str(), path, sizeof path - 1);
    if (length < 0)
        return std::string();
    return std::string(path, static_cast<std::size_t>(length));
}

std::optional<std::uintptr_t> entryAddress(pid_t pid) {
    const std::string vector = readProcFile(pid, "auxv");
    for (std::size_t offset = 0; offset + sizeof(AuxiliaryEntry) <= vector.size();
         offset += sizeof(AuxiliaryEntry)) {
        AuxiliaryEntry entry;
        std::memcpy(&entry, vector.data() + offset, sizeof entry);
        if (entry.type == AT_NULL)
            break;
        if (entry.type == AT_ENTRY)
            return static_cast<std::uintptr_t>(entry.value);
    }
    return std::nullopt;
}

std::vector<std::string> environmentOf(pid_t pid) {
    const std::string block = readProcFile(pid, "environ");
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start < block.size()) {
        std::size_t end = block.find('\0', start);
        if (end == std::string::npos)
            end = block.size();
        entries.push_back(block.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

void reportExecStop(pid_t pid, std::FILE* stream) {
    std::fprintf(stream, "qimmaster: process %d stopped at the entry of its new image\n", pid);
    std::fprintf(stream, "qimmaster:   image %s\n", imagePath(pid).c_str());
    if (const std::optional<std::uintptr_t> entry = entryAddress(pid))
        std::fprintf(stream, "qimmaster:   entry 0x%jx\n", static_cast<std::uintmax_t>(*entry));
    else
        std::fprintf(stream, "qimmaster:   entry unknown: no AT_ENTRY in its auxiliary vector\n");
    for (const std::string& variable : environmentOf(pid))
        std::fprintf(stream, "qimmaster:   environment %s\n", variable.c_str());
}

} // namespace qimmaster
