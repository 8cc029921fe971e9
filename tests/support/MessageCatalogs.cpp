//===- tests/support/MessageCatalogs.cpp - Real catalogs and locales ------===//
#include "tests/support/MessageCatalogs.h"

#include "tests/support/ChildProcess.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace qimtest {

namespace {

bool succeeded(const ChildResult& result, const char* tool) {
    if (result.exitCode() == 0)
        return true;
    std::fprintf(stderr, "%s failed (status %d): %s%s\n", tool, result.exitCode(),
                 result.out.c_str(), result.err.c_str());
    return false;
}

} // namespace

std::string catalogSource(const std::map<int, std::string>& texts) {
    std::string source = "$quote \"\n$set 1\n";
    for (const auto& [number, text] : texts)
        source += std::to_string(number) + " \"" + text + "\"\n";
    return source;
}

bool makeCatalog(const std::string& catalogPath, const std::string& source) {
    const std::filesystem::path catalog(catalogPath);
    std::filesystem::create_directories(catalog.parent_path());
    const std::string sourcePath = catalogPath + ".msg";
    std::ofstream(sourcePath) << source;
    // gencat reads the source in the locale's character set: UTF-8 texts need a UTF-8 one.
    const ChildResult result =
        runProgram(QIM_GENCAT, {catalogPath, sourcePath}, {"LC_ALL=C.UTF-8"});
    std::filesystem::remove(sourcePath);
    return succeeded(result, "gencat");
}

bool makeLocale(const std::string& locpath, const std::string& name,
                const std::string& definition) {
    std::filesystem::create_directories(locpath);
    const ChildResult result =
        runProgram(QIM_LOCALEDEF, {"-i", definition, "-f", "UTF-8", locpath + "/" + name}, {});
    return succeeded(result, "localedef");
}

} // namespace qimtest
