//===- utilities/files/LINUX_Installpath.h - Installation directory on Linux -*- C++ -*-===//
//
// The installation path on Linux: the executable's path is the link /proc/<pid>/exe.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_FILES_LINUX_INSTALLPATH_H
#define QIM_UTILITIES_FILES_LINUX_INSTALLPATH_H

#include "utilities/files/UNIX_Installpath.h"

class LINUX_Installpath : public UNIX_Installpath {
public:
    /// Finds the installation directory of the running process through /proc/<pid>/exe;
    /// empty when there is none.
    LINUX_Installpath();
    ~LINUX_Installpath() override = default;
};

#endif
