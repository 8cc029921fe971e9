//===- utilities/files/InstallPath.h - The installation directory -*- C++ -*-===//
//
// The installation directory of the running program: the directory above the "bin"
// directory that holds its executable (the message catalogs lie below it, in "msg"). The
// process-wide object is a LINUX_Installpath, created on the first call of instance()
// (without a lock: before a second thread exists) and never destroyed; it finds the
// directory once, in its constructor.
//
// Usage:
//   const EncodedString& directory = InstallPath::instance().location();  // "/opt/dbg"
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_FILES_INSTALLPATH_H
#define QIM_UTILITIES_FILES_INSTALLPATH_H

#include "utilities/strings/EncodedString.h"

class InstallPath {
public:
    virtual ~InstallPath() = default;
    InstallPath(const InstallPath&) = delete;
    InstallPath& operator=(const InstallPath&) = delete;

    /// The process-wide installation path, created on the first call.
    static InstallPath& instance();

    /// The installation directory; empty when none was found.
    virtual const EncodedString& location() const = 0;

protected:
    InstallPath() = default;
};

#endif
