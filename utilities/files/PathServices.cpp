//===- utilities/files/PathServices.cpp - Executable search and link resolution ---===//
#include "utilities/files/PathServices.h"

#include "utilities/settings/EnvironmentNames.h"
#include "utilities/strings/ByteString.h"
#include "utilities/strings/CharString.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// The size of the buffers that readlink and getcwd fill.
constexpr std::size_t pathBufferSize = 1024;

/// Any of the three execute bits makes a regular file a search candidate.
constexpr unsigned int executeBits = 0111;

// A socket's mode (0xC000) has the regular-file bit 0x8000 set as well, so the whole file
// type is compared: a socket with execute bits is not a program.
bool isExecutableFile(const EncodedString& candidate) {
    struct stat status;
    if (stat(candidate.convertToNative().chars(), &status) != 0)
        return false;
    return S_ISREG(status.st_mode) && (status.st_mode & executeBits) != 0;
}

} // namespace

bool currentDirectory(EncodedString& directory) {
    char buffer[pathBufferSize];
    if (getcwd(buffer, sizeof buffer) == nullptr)
        return false;
    directory = EncodedString(buffer, EncodedString::Native);
    return true;
}

EncodedString searchPath(const EncodedString& name) {
    EncodedString list(L".:");
    const char* path = std::getenv("PATH");
    if (path != nullptr && *path != '\0')
        list += EncodedString(path, EncodedString::Native);
    return searchPath(name, list);
}

EncodedString searchPath(const EncodedString& name, const EncodedString& pathList) {
    if (name.length() == 0)
        return EncodedString();
    if (name[1] == '/')
        return name;
    const EncodedString separator(L"/");
    CharString entries = CharString().loadFrom(pathList.buffer(), EncodedString::UTF8);
    for (;;) {
        const CharString entry = entries.firstToken(L":");
        if (entry.length() == 0)
            return EncodedString(); // firstToken skips empty entries: this is the end
        EncodedString candidate;
        if (entry[1] == L'.' && currentDirectory(candidate))
            candidate += separator;
        candidate += entry;
        candidate += separator;
        candidate += name;
        if (isExecutableFile(candidate))
            return candidate;
    }
}

EncodedString resolveSymbolicLink(const EncodedString& path, unsigned int maxDepth) {
    std::unique_ptr<char[]> buffer(new char[pathBufferSize]);
    EncodedString result(path);
    unsigned int count = maxDepth == 0 ? 1 : maxDepth;
    for (;;) {
        // The path goes to the system in the native code page, as every path does.
        const ssize_t length =
            readlink(result.convertToNative().chars(), buffer.get(), pathBufferSize);
        if (length < 0 || static_cast<std::size_t>(length) >= pathBufferSize)
            return result; // not a link, or a link text the buffer cannot hold
        buffer[static_cast<std::size_t>(length)] = '\0';
        const EncodedString target(buffer.get(), EncodedString::Native);
        if (target.length() != 0 && target[1] == '/')
            result = target;
        else
            result = stripPath(result) + target;
        if (count == 0)
            throw result;
        --count;
    }
}

EncodedString resolveSymbolicLink(const EncodedString& path) {
    try {
        return resolveSymbolicLink(path, 10);
    } catch (const EncodedString&) {
        std::fprintf(stderr, "Cannot resolve symbolic link %s\n", path.buffer());
        std::exit(-1);
    }
}
