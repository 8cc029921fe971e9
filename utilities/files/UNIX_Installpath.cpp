//===- utilities/files/UNIX_Installpath.cpp - Installation directory of a path ---===//
#include "utilities/files/UNIX_Installpath.h"

#include "utilities/files/FileName.h"
#include "utilities/files/PathServices.h"

namespace {

/// The full path of the executable `path` names; false when the current directory that a
/// relative path needs cannot be had.
bool fullPath(const EncodedString& path, EncodedString& full) {
    if (path[1] == '/') {
        full = path;
        return true;
    }
    if (path.indexOf('/') == 0) {
        full = searchPath(path);
        return true;
    }
    if (!currentDirectory(full))
        return false;
    full += EncodedString(L"/");
    full += path;
    return true;
}

/// Bytes `first` to `last` of `text` (1-based, both included).
EncodedString bytes(const EncodedString& text, unsigned int first, unsigned int last) {
    if (last < first)
        return EncodedString();
    return EncodedString(StringBuffer<char>(text, first, last - first + 1, '\0'),
                         EncodedString::UTF8);
}

} // namespace

bool UNIX_Installpath::installLocation(EncodedString& path) {
    if (path.length() == 0)
        return false;
    EncodedString full;
    if (!fullPath(path, full))
        return false;
    FileName executable(full);
    executable = FileName(resolveSymbolicLink(executable.name()));
    if (executable.name().length() == 0)
        return false;
    executable.rationalizePath();

    // Cut before the last "/": the directory that holds the executable.
    const EncodedString& name = executable.name();
    const unsigned int lastSeparator = name.lastIndexOf('/');
    if (lastSeparator <= 1)
        return false;
    const EncodedString holder = bytes(name, 1, lastSeparator - 1);

    // It must be a directory named "bin"; the result is the directory above it.
    const unsigned int binSeparator = holder.lastIndexOf('/');
    if (binSeparator == 0 ||
        !(bytes(holder, binSeparator, holder.length()) == EncodedString(L"/bin")))
        return false;
    path = bytes(holder, 1, binSeparator - 1);
    return true;
}
