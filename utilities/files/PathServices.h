//===- utilities/files/PathServices.h - Executable search and link resolution -*- C++ -*-===//
//
// The two path services that the installation-path finder needs: the search for an
// executable along a colon-separated path list such as PATH, and the resolution of
// symbolic links with a bounded depth. Paths go to the system in the native code page and
// come back from it converted to UTF-8.
//
// Usage:
//   EncodedString program = searchPath(EncodedString("ls", EncodedString::UTF8));
//   EncodedString target = resolveSymbolicLink(program);   // exits on a link loop
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_FILES_PATHSERVICES_H
#define QIM_UTILITIES_FILES_PATHSERVICES_H

#include "utilities/strings/EncodedString.h"

/// The current directory in UTF-8, as getcwd gives it into a 1024-byte buffer; false when
/// getcwd fails, a directory that does not fit the buffer included.
bool currentDirectory(EncodedString& directory);

/// `name` found along "." and PATH, the current directory first; empty when it is found
/// nowhere. See the two-argument form.
EncodedString searchPath(const EncodedString& name);

/// The first "<entry>/<name>" along the colon-separated `pathList` that is a regular file
/// (not a socket, whose mode shares the regular-file bit) with an execute bit; an entry beginning
/// with "." is put behind the current directory, empty entries are skipped. An empty name gives an
/// empty result, a name beginning with
/// "/" comes back unchanged, without a test; a name found nowhere gives an empty result.
EncodedString searchPath(const EncodedString& name, const EncodedString& pathList);

/// `path` with symbolic links followed: a chain of up to `maxDepth` links (0 counts as 1)
/// resolves; a relative link text is taken relative to the link's directory. When the path
/// reached after that many links is a link again, its target is thrown as an
/// EncodedString. A link text of 1024 bytes or more ends the walk where it is.
EncodedString resolveSymbolicLink(const EncodedString& path, unsigned int maxDepth);

/// The same with a depth of 10; instead of throwing, writes "Cannot resolve symbolic link
/// <path>" to standard error and ends the process with exit(-1).
EncodedString resolveSymbolicLink(const EncodedString& path);

#endif
