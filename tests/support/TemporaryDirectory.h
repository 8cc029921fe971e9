//===- tests/support/TemporaryDirectory.h - A directory for one test -*- C++ -*-===//
//
// A fresh directory under $TMPDIR (or /tmp) that is removed with everything in it when
// the object goes, write-protected subdirectories included.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SUPPORT_TEMPORARYDIRECTORY_H
#define QIM_TESTS_SUPPORT_TEMPORARYDIRECTORY_H

#include <string>

namespace qimtest {

class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::string& path() const { return _path; }
    /// The path of `name` inside the directory.
    std::string file(const std::string& name) const { return _path + "/" + name; }

private:
    std::string _path;
};

} // namespace qimtest

#endif
