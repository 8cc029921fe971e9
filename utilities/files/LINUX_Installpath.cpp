//===- utilities/files/LINUX_Installpath.cpp - Installation directory on Linux ---===//
#include "utilities/files/LINUX_Installpath.h"

#include <unistd.h>

InstallPath& InstallPath::instance() {
    static InstallPath* const installPath = new LINUX_Installpath();
    return *installPath;
}

LINUX_Installpath::LINUX_Installpath() {
    EncodedString path(L"/proc/");
    path += EncodedString::number(static_cast<int>(getpid()));
    path += EncodedString(L"/exe");
    if (installLocation(path))
        _directory = path;
}
