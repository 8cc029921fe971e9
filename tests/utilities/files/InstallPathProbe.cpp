//===- tests/utilities/files/InstallPathProbe.cpp - A program that finds its home -===//
//
// Prints the installation directory that InstallPath::instance() finds for this very
// program, followed by a newline; exits with 0 when instance() gives one object every time.
//
//===----------------------------------------------------------------------------===//
#include "utilities/files/InstallPath.h"

#include <cstdio>

int main() {
    InstallPath& installPath = InstallPath::instance();
    std::printf("%s\n", installPath.location().buffer());
    return &InstallPath::instance() == &installPath ? 0 : 1;
}
