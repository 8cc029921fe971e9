//===- tests/install/InstalledTreeTest.cpp - What cmake --install lays out -===//
//
// Looks at the tree that `cmake --install` made under a fresh prefix: the programs, the
// catalog with its source, the headers, both forms of the library, and the files through
// which CMake and pkg-config find it. Each part is checked for what its user relies on,
// not merely for being there: the headers are the sources' own, the catalog compiles from
// the installed source, the shared library answers to its soname, pkg-config names the
// prefix.
//
//===----------------------------------------------------------------------------===//
#include "tests/support/ChildProcess.h"
#include "tests/support/MessageCatalogs.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"

#include "utilities/messages/DefaultMessageSet.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nl_types.h>
#include <set>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string prefix = QIM_INSTALLED_PREFIX;

bool isExecutableFile(const fs::path& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           (status.st_mode & S_IXUSR) != 0;
}

/// The paths of the files below `root`/`folder`, relative to `root`, whose names end in
/// `suffix`.
std::set<std::string> filesBelow(const fs::path& root, const std::string& folder,
                                 const std::string& suffix) {
    std::set<std::string> found;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / folder)) {
        const std::string path = entry.path().string();
        if (entry.is_regular_file() && path.size() >= suffix.size() &&
            path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0)
            found.insert(fs::relative(entry.path(), root).string());
    }
    return found;
}

qimtest::ChildResult pkgConfig(const std::string& pkgconfigDirectory,
                               const std::vector<std::string>& arguments) {
    return qimtest::runProgram(QIM_PKG_CONFIG, arguments,
                               {"PKG_CONFIG_PATH=" + pkgconfigDirectory});
}

TEST(InstalledTreeTest, ProgramsCatalogAndManPagesLieWhereTheirUsersLook) {
    EXPECT_TRUE(isExecutableFile(prefix + "/bin/qimshell"));
    EXPECT_TRUE(isExecutableFile(prefix + "/bin/qimmaster"));
    for (const char* file :
         {"/msg/en_US/qimpex1.cat", "/msg/en_US/qimpex1.msg", "/share/man/man1/qimshell.1",
          "/share/man/man1/qimmaster.1", "/lib/cmake/qimutil/qimutilConfig.cmake",
          "/lib/cmake/qimutil/qimutilConfigVersion.cmake"})
        EXPECT_TRUE(fs::is_regular_file(prefix + file)) << file;
    // The build's helper programs are not part of the installation.
    EXPECT_THAT(filesBelow(prefix, "bin", ""),
                ::testing::UnorderedElementsAre("bin/qimmaster", "bin/qimshell"));
}

// Users include the headers by the paths the sources use; every header of the library is
// there, unchanged, and nothing but headers.
TEST(InstalledTreeTest, HeadersAreTheSourcesOwnUnderTheirPaths) {
    const std::set<std::string> sources = filesBelow(QIM_SOURCE_DIR, "utilities", ".h");
    ASSERT_FALSE(sources.empty());
    EXPECT_EQ(filesBelow(prefix + "/include", "utilities", ""), sources);
    for (const std::string& header : sources)
        EXPECT_EQ(qimtest::readFile(prefix + "/include/" + header),
                  qimtest::readFile(std::string(QIM_SOURCE_DIR) + "/" + header))
            << header;
}

// A program linked against libqimutil.so records the soname, libqimutil.so.1, which must be
// the link to the real file; the link name libqimutil.so is what -lqimutil finds.
TEST(InstalledTreeTest, SharedLibraryAnswersToItsSonameAndStaticOneIsAnArchive) {
    const fs::path lib = prefix + "/lib";
    EXPECT_EQ(fs::read_symlink(lib / "libqimutil.so"), "libqimutil.so.1");
    EXPECT_EQ(fs::read_symlink(lib / "libqimutil.so.1"), "libqimutil.so.1.0");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(lib / "libqimutil.so.1.0")));

    const qimtest::ChildResult dynamic =
        qimtest::runProgram(QIM_READELF, {"-d", (lib / "libqimutil.so.1.0").string()}, {});
    ASSERT_EQ(dynamic.exitCode(), 0) << dynamic.err;
    EXPECT_THAT(dynamic.out, HasSubstr("Library soname: [libqimutil.so.1]"));
    // Installed, it must not point back into the build tree.
    EXPECT_THAT(dynamic.out, Not(HasSubstr("RUNPATH")));
    EXPECT_THAT(dynamic.out, Not(HasSubstr("RPATH")));

    EXPECT_EQ(qimtest::readFile((lib / "libqimutil.a").string()).substr(0, 8), "!<arch>\n");
}

// The installed source is the translators' template: compiled with gencat, it gives the
// installed catalog byte for byte, and that catalog holds the default texts.
TEST(InstalledTreeTest, CatalogIsTheCompiledTemplateAndHoldsTheDefaultTexts) {
    const std::string catalog = prefix + "/msg/en_US/qimpex1.cat";
    qimtest::TemporaryDirectory directory;
    const std::string recompiled = directory.file("qimpex1.cat");
    ASSERT_TRUE(
        qimtest::makeCatalog(recompiled, qimtest::readFile(prefix + "/msg/en_US/qimpex1.msg")));
    EXPECT_EQ(qimtest::readFile(recompiled), qimtest::readFile(catalog));

    nl_catd descriptor = catopen(catalog.c_str(), NL_CAT_LOCALE);
    ASSERT_NE(descriptor, reinterpret_cast<nl_catd>(-1));
    for (int number = 1; number <= zormsgSetSizes[1]; ++number)
        EXPECT_STREQ(catgets(descriptor, 1, number, "(missing)"), zormsgMessageSet[1][number])
            << "message " << number;
    catclose(descriptor);
}

// pkg-config names the prefix the tree was installed into, and the version of the package.
TEST(InstalledTreeTest, PkgConfigNamesTheInstalledPrefix) {
    const std::string pkgconfigDirectory = prefix + "/lib/pkgconfig";
    const qimtest::ChildResult flags =
        pkgConfig(pkgconfigDirectory, {"--cflags", "--libs", "qimutil"});
    ASSERT_EQ(flags.exitCode(), 0) << flags.err;
    EXPECT_EQ(flags.out, "-I" + prefix + "/include -L" + prefix + "/lib -lqimutil \n");

    const qimtest::ChildResult version = pkgConfig(pkgconfigDirectory, {"--modversion", "qimutil"});
    EXPECT_EQ(version.out, std::string(QIM_VERSION) + "\n");
    const qimtest::ChildResult staticFlags =
        pkgConfig(pkgconfigDirectory, {"--static", "--libs", "qimutil"});
    EXPECT_THAT(staticFlags.out, HasSubstr("-pthread"));
}

} // namespace
