//===- tests/support/TemporaryDirectory.cpp - A directory for one test ----===//
#include "tests/support/TemporaryDirectory.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace qimtest {

TemporaryDirectory::TemporaryDirectory() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qimtest.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data()))
        throw std::runtime_error("mkdtemp failed for " + pattern);
    _path = name.data();
}

TemporaryDirectory::~TemporaryDirectory() {
    namespace fs = std::filesystem;
    std::error_code ignored;
    // A test may have taken the write permission away; give it back so that the removal
    // can reach every entry.
    fs::permissions(_path, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (fs::recursive_directory_iterator entry(_path, ignored), end; entry != end;
         entry.increment(ignored))
        if (entry->is_directory(ignored) && !entry->is_symlink(ignored))
            fs::permissions(entry->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(_path, ignored);
}

} // namespace qimtest
