//===- utilities/files/UNIX_Installpath.h - Installation directory of a path -*- C++ -*-===//
//
// The POSIX part of the installation path: it holds the directory and knows how to derive
// it from the path of an executable (installLocation). How the executable's path is found
// is left to the platform's subclass (LINUX_Installpath).
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_FILES_UNIX_INSTALLPATH_H
#define QIM_UTILITIES_FILES_UNIX_INSTALLPATH_H

#include "utilities/files/InstallPath.h"

class UNIX_Installpath : public InstallPath {
public:
    ~UNIX_Installpath() override = default;

    const EncodedString& location() const override { return _directory; }

    /// Replaces `path`, the path of an executable, by the directory that contains the
    /// "bin" directory the executable lies in, and returns true. A path without "/" is
    /// looked up along "." and PATH, a relative one is put behind the current directory,
    /// and symbolic links are followed (a link loop ends the process). Returns false and
    /// leaves `path` as it was when there is no such directory: an empty path, a current
    /// directory that getcwd cannot give, an executable outside a directory named "bin".
    static bool installLocation(EncodedString& path);

protected:
    UNIX_Installpath() = default;

    /// The installation directory; empty when none was found.
    EncodedString _directory;
};

#endif
