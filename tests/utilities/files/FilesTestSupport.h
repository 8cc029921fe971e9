//===- tests/utilities/files/FilesTestSupport.h - Files, links and directories -*- C++ -*-===//
//
// What the path tests make in their temporary directories: files with a given mode,
// symbolic links, a directory too deep for a 1024-byte getcwd buffer, and the real
// (link-free) path of a directory, which getcwd and /proc/<pid>/exe report.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_UTILITIES_FILES_FILESTESTSUPPORT_H
#define QIM_TESTS_UTILITIES_FILES_FILESTESTSUPPORT_H

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace qimtest {

/// `path` with every symbolic link resolved.
inline std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr)
        throw std::runtime_error("realpath failed for " + path);
    return resolved;
}

/// Makes the directories of `path` up to its last component and a file there with `mode`.
inline void makeFile(const std::string& path, mode_t mode, const std::string& content = "x\n") {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent);
    std::ofstream(path) << content;
    if (chmod(path.c_str(), mode) != 0)
        throw std::runtime_error("chmod failed for " + path);
}

/// Makes the symbolic link `link` with the text `target`.
inline void makeLink(const std::string& target, const std::string& link) {
    const std::filesystem::path parent = std::filesystem::path(link).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent);
    if (symlink(target.c_str(), link.c_str()) != 0)
        throw std::runtime_error("symlink failed for " + link);
}

/// In a child: makes and enters directories below the current one until the current
/// directory's path is longer than 1024 bytes. True when getcwd into a 1024-byte buffer
/// then fails, as the tests need.
inline bool enterDeepDirectory() {
    const std::string component(200, 'd');
    for (int level = 0; level < 6; ++level)
        if ((mkdir(component.c_str(), 0755) != 0 && errno != EEXIST) ||
            chdir(component.c_str()) != 0)
            return false;
    char buffer[1024];
    return getcwd(buffer, sizeof buffer) == nullptr;
}

} // namespace qimtest

#endif
