//===- tests/install/InstalledLaunchTest.cpp - Launches through the installed programs -===//
//
// A launch whose exec fails, run through an installed qimmaster and qimshell: the shell's
// child reports message 274, and must take its text from the catalog under its own
// installation directory (the directory above its bin), found from its own executable.
// The English catalog reads like the built-in texts, so translated catalogs tell where a
// text came from: one installed beside a copy of the programs, and one that NLSPATH offers,
// which the installed catalog must beat.
//
//===----------------------------------------------------------------------------===//
#include "tests/support/MessageCatalogs.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/tools/qimmaster/MasterRun.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string installedPrefix = QIM_INSTALLED_PREFIX;
const std::string missingProgram = "/nonexistent/qimtest-program";

std::string englishReport() {
    return "The load of program " + missingProgram +
           " failed because the exec() function failed.  The error code is 2.\n";
}

/// Message 274 in a test language, as a catalog source gives it.
std::string testLanguageText(const std::string& language) {
    return language + ": Laden von %1 gescheitert, exec() meldet %2.";
}

std::string testLanguageReport(const std::string& language) {
    return language + ": Laden von " + missingProgram + " gescheitert, exec() meldet 2.\n";
}

bool makeTestLanguageCatalog(const std::string& path, const std::string& language) {
    return qimtest::makeCatalog(path, qimtest::catalogSource({{274, testLanguageText(language)}}));
}

/// Copies the installed programs into `root`/bin: an installation of its own elsewhere,
/// with no catalog unless the test puts one there.
void copyInstalledPrograms(const fs::path& root) {
    fs::create_directories(root / "bin");
    for (const char* program : {"qimshell", "qimmaster"})
        fs::copy_file(fs::path(installedPrefix) / "bin" / program, root / "bin" / program);
}

/// Launches the missing program through `root`/bin/qimmaster with `nlspath` (if any) in
/// the environment; expects the failed exec reported and nothing left behind, and returns
/// what the shell's child printed.
std::string reportOfFailedLaunch(const fs::path& root, const std::string& nlspath = "") {
    Lines environment = qimtest::plainEnvironment();
    if (!nlspath.empty())
        environment.push_back("NLSPATH=" + nlspath);
    const qimtest::ChildResult result = qimtest::runMaster(
        {"--timeline", "--", missingProgram}, environment, (root / "bin/qimmaster").string());
    qimtest::LaunchLeftovers leftovers(result.err);
    EXPECT_EQ(result.exitCode(), 127) << result.err;
    leftovers.expectNoneRemain();
    return result.out;
}

// The installed English catalog answers, although NLSPATH offers a translation; with no
// catalog under the installation directory, the NLSPATH one would have answered.
TEST(InstalledLaunchTest, InstalledCatalogAnswersBeforeNlspath) {
    qimtest::TemporaryDirectory directory;
    ASSERT_TRUE(makeTestLanguageCatalog(directory.file("nls/qimpex1.cat"), "NLSPATH"));
    const std::string nlspath = directory.file("nls/%N");

    EXPECT_EQ(reportOfFailedLaunch(installedPrefix, nlspath), englishReport());

    const fs::path withoutCatalog = directory.file("without-catalog");
    copyInstalledPrograms(withoutCatalog);
    EXPECT_EQ(reportOfFailedLaunch(withoutCatalog, nlspath), testLanguageReport("NLSPATH"));
}

// A translated catalog installed beside a copy of the programs answers for that copy, with
// the inserts in place, wherever the copy lies; without it, the built-in English text does.
TEST(InstalledLaunchTest, ShellTakesTheCatalogOfItsOwnInstallation) {
    qimtest::TemporaryDirectory directory;
    const fs::path translated = directory.file("translated");
    copyInstalledPrograms(translated);
    ASSERT_TRUE(makeTestLanguageCatalog((translated / "msg/en_US/qimpex1.cat").string(), "TEST"));

    EXPECT_EQ(reportOfFailedLaunch(translated), testLanguageReport("TEST"));

    const fs::path plain = directory.file("plain");
    copyInstalledPrograms(plain);
    EXPECT_EQ(reportOfFailedLaunch(plain), englishReport());
}

} // namespace
