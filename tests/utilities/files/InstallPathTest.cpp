//===- tests/utilities/files/InstallPathTest.cpp - The installation directory -===//
//
// installLocation against executables, links and directories made in a temporary
// directory, and the process-wide LINUX_Installpath of a real program copied into a
// "bin" directory there and run.
//
//===----------------------------------------------------------------------------===//
#include "utilities/files/InstallPath.h"
#include "utilities/files/LINUX_Installpath.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/StringText.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/utilities/files/FilesTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

using qimtest::makeFile;
using qimtest::makeLink;
using qimtest::text;
using qimtest::utf8;

/// What installLocation makes of `path`: the directory, or "<none: path>" with the path as
/// installLocation left it when it failed.
std::string installLocation(const std::string& path) {
    EncodedString result = utf8(path);
    if (UNIX_Installpath::installLocation(result))
        return text(result);
    return "<none: " + text(result) + ">";
}

/// installLocation of `path` in a child whose current directory is `directory` and whose
/// PATH is `searchList` (unset when null).
std::string installLocationInChild(const std::string& directory, const std::string& path,
                                   const char* searchList) {
    const qimtest::ChildResult result = qimtest::runInChild([&] {
        if (chdir(directory.c_str()) != 0)
            return 2;
        if (searchList == nullptr)
            unsetenv("PATH");
        else
            setenv("PATH", searchList, 1);
        std::fputs(installLocation(path).c_str(), stdout);
        return 0;
    });
    return result.exitCode() == 0 ? result.out : "<failed: " + result.err + ">";
}

class InstallLocationTest : public ::testing::Test {
protected:
    InstallLocationTest() : root(qimtest::realPath(temporary.path())) {
        makeFile(root + "/tool/bin/prog", 0755);
        makeFile(root + "/tool/libexec/prog", 0755);
    }

    qimtest::TemporaryDirectory temporary;
    const std::string root;
};

TEST_F(InstallLocationTest, ExecutableInBinGivesTheDirectoryAboveIt) {
    EXPECT_EQ(installLocation(root + "/tool/bin/prog"), root + "/tool");
    EXPECT_EQ(installLocation(root + "//tool/./bin/../bin/prog"), root + "/tool");
}

TEST_F(InstallLocationTest, ExecutableOutsideBinGivesNone) {
    EXPECT_EQ(installLocation(root + "/tool/libexec/prog"),
              "<none: " + root + "/tool/libexec/prog>");
    EXPECT_EQ(installLocation(""), "<none: >");
    // Only the name of the directory counts, and the file need not exist.
    EXPECT_EQ(installLocation("/opt/dbg/bin/shell"), "/opt/dbg");
    EXPECT_EQ(installLocation("/opt/dbg/sbin/shell"), "<none: /opt/dbg/sbin/shell>");
    EXPECT_EQ(installLocation("/opt/dbg/bin2/shell"), "<none: /opt/dbg/bin2/shell>");
    EXPECT_EQ(installLocation("/shell"), "<none: /shell>");
    EXPECT_EQ(installLocation("/bin/shell"), ""); // in /bin itself: an empty directory
}

TEST_F(InstallLocationTest, LinkToTheExecutableIsResolved) {
    makeLink(root + "/tool/bin/prog", root + "/elsewhere/link");
    EXPECT_EQ(installLocation(root + "/elsewhere/link"), root + "/tool");
    makeLink("../../tool/bin/prog", root + "/elsewhere/sub/relative");
    EXPECT_EQ(installLocation(root + "/elsewhere/sub/relative"), root + "/tool");
    // A link into libexec gives none, though the link itself lies in a bin directory.
    makeLink(root + "/tool/libexec/prog", root + "/other/bin/link");
    EXPECT_EQ(installLocation(root + "/other/bin/link"), "<none: " + root + "/other/bin/link>");
}

TEST_F(InstallLocationTest, RelativePathIsPutBehindTheCurrentDirectory) {
    EXPECT_EQ(installLocationInChild(root + "/tool", "bin/prog", nullptr), root + "/tool");
    EXPECT_EQ(installLocationInChild(root + "/tool/libexec", "../bin/prog", nullptr),
              root + "/tool");
    EXPECT_EQ(installLocationInChild(root + "/tool", "libexec/prog", nullptr),
              "<none: libexec/prog>");
}

TEST_F(InstallLocationTest, PlainNameIsSearchedForAlongPath) {
    const std::string list = root + "/nowhere:" + root + "/tool/bin";
    EXPECT_EQ(installLocationInChild(root, "prog", list.c_str()), root + "/tool");
    // The current directory comes first.
    EXPECT_EQ(installLocationInChild(root + "/tool/libexec", "prog", list.c_str()), "<none: prog>");
    EXPECT_EQ(installLocationInChild(root + "/tool/bin", "prog", nullptr), root + "/tool");
    // Found nowhere: the search gives an empty name.
    EXPECT_EQ(installLocationInChild(root, "prog", nullptr), "<none: prog>");
}

TEST_F(InstallLocationTest, CurrentDirectoryLongerThanTheBufferFailsARelativePath) {
    const qimtest::ChildResult result = qimtest::runInChild([&] {
        if (chdir(root.c_str()) != 0 || !qimtest::enterDeepDirectory())
            return 2;
        makeFile("bin/prog", 0755);
        std::fputs(installLocation("bin/prog").c_str(), stdout);
        return 0;
    });
    ASSERT_EQ(result.exitCode(), 0) << result.err;
    EXPECT_EQ(result.out, "<none: bin/prog>");
}

TEST_F(InstallLocationTest, LinkLoopOnTheExecutableEndsTheProcess) {
    makeLink(root + "/loop/bin/b", root + "/loop/bin/a");
    makeLink(root + "/loop/bin/a", root + "/loop/bin/b");
    const std::string path = root + "/loop/bin/a";
    const qimtest::ChildResult result = qimtest::runInChild([&] {
        installLocation(path);
        return 0;
    });
    EXPECT_EQ(result.exitCode(), 255);
    EXPECT_EQ(result.err, "Cannot resolve symbolic link " + path + "\n");
}

TEST(InstallPathTest, InstanceIsOneLinuxInstallpathOfThisProgram) {
    InstallPath& installPath = InstallPath::instance();
    EXPECT_EQ(&InstallPath::instance(), &installPath);
    EXPECT_NE(dynamic_cast<LINUX_Installpath*>(&installPath), nullptr);
    // This test program does not lie in a bin directory (unless someone put it there).
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const std::string expected =
        self.parent_path().filename() == "bin" ? self.parent_path().parent_path().string() : "";
    EXPECT_EQ(text(installPath.location()), expected);
}

class InstalledProbeTest : public ::testing::Test {
protected:
    InstalledProbeTest() : root(qimtest::realPath(temporary.path())) {}

    /// Copies the probe program to `path` and makes it executable.
    void install(const std::string& path) {
        fs::create_directories(fs::path(path).parent_path());
        fs::copy_file(QIM_INSTALL_PATH_PROBE, path);
        fs::permissions(path,
                        fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    }

    qimtest::TemporaryDirectory temporary;
    const std::string root;
};

TEST_F(InstalledProbeTest, ProgramInBinFindsTheDirectoryAboveIt) {
    install(root + "/x/bin/probe");
    const qimtest::ChildResult result = qimtest::runProgram(root + "/x/bin/probe", {}, {});
    EXPECT_EQ(result.exitCode(), 0) << result.err;
    EXPECT_EQ(result.out, root + "/x\n");
}

TEST_F(InstalledProbeTest, ProgramStartedThroughALinkFindsTheDirectoryOfItsFile) {
    install(root + "/x/bin/probe");
    makeLink(root + "/x/bin/probe", root + "/links/bin2/probe");
    const qimtest::ChildResult result = qimtest::runProgram(root + "/links/bin2/probe", {}, {});
    EXPECT_EQ(result.exitCode(), 0) << result.err;
    EXPECT_EQ(result.out, root + "/x\n");
}

TEST_F(InstalledProbeTest, ProgramOutsideBinFindsNone) {
    install(root + "/x/libexec/probe");
    const qimtest::ChildResult result = qimtest::runProgram(root + "/x/libexec/probe", {}, {});
    EXPECT_EQ(result.exitCode(), 0) << result.err;
    EXPECT_EQ(result.out, "\n");
}

} // namespace
