//===- tests/utilities/files/PathServicesTest.cpp - Executable search, links -===//
//
// searchPath and resolveSymbolicLink against real files, directories and links made in a
// temporary directory. Whatever depends on the current directory or the environment runs
// in a child process, which reports its findings on standard output.
//
//===----------------------------------------------------------------------------===//
#include "utilities/files/PathServices.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/StringText.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/utilities/files/FilesTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using qimtest::makeFile;
using qimtest::makeLink;
using qimtest::text;
using qimtest::utf8;

std::string search(const std::string& name, const std::string& list) {
    return text(searchPath(utf8(name), utf8(list)));
}

/// The path resolveSymbolicLink returns; empty when it throws (then `thrown` holds it).
std::string resolve(const std::string& path, unsigned int depth,
                    std::optional<std::string>& thrown) {
    thrown.reset();
    try {
        return text(resolveSymbolicLink(utf8(path), depth));
    } catch (const EncodedString& raised) {
        thrown = text(raised);
        return std::string();
    }
}

/// Runs `body` in a child after a chdir to `directory`; the child prints what `body`
/// returns. Gives the printed text, or "<failed>" when the child did not get that far.
template <typename Body>
std::string inChildAt(const std::string& directory, Body body) {
    const qimtest::ChildResult result = qimtest::runInChild([&] {
        if (chdir(directory.c_str()) != 0)
            return 2;
        const std::string found = body();
        std::fputs(found.c_str(), stdout);
        return 0;
    });
    return result.exitCode() == 0 ? result.out : "<failed: " + result.err + ">";
}

class SearchPathTest : public ::testing::Test {
protected:
    SearchPathTest() : root(qimtest::realPath(temporary.path())) {
        std::filesystem::create_directories(root + "/empty");
        makeFile(root + "/plain/x", 0644); // no execute bit
        std::filesystem::create_directories(root + "/directory/x/sub");
        chmod((root + "/directory/x").c_str(), 0755); // a directory with execute bits
        makeFile(root + "/group/x", 0610);            // the group's execute bit is enough
        makeFile(root + "/tool/x", 0755);
    }

    qimtest::TemporaryDirectory temporary;
    const std::string root;
};

TEST_F(SearchPathTest, EmptyNameGivesNothingAndAbsoluteNameComesBackUntested) {
    EXPECT_EQ(search("", root + "/tool"), "");
    EXPECT_EQ(search("/does/not/exist", root + "/tool"), "/does/not/exist");
    EXPECT_EQ(search("/does/not/exist", ""), "/does/not/exist");
}

TEST_F(SearchPathTest, FirstRegularFileWithAnExecuteBitWins) {
    // Empty entries are skipped; a file without an execute bit and a directory are not
    // found.
    EXPECT_EQ(search("x", ":" + root + "/empty::" + root + "/plain:" + root + "/directory:" + root +
                              "/tool:" + root + "/group:"),
              root + "/tool/x");
    EXPECT_EQ(search("x", root + "/group:" + root + "/tool"), root + "/group/x");
    EXPECT_EQ(search("x", root + "/plain:" + root + "/directory"), "");
    EXPECT_EQ(search("x", ""), "");
    EXPECT_EQ(search("x", ":::"), "");
    EXPECT_EQ(search("missing", root + "/tool"), "");
    // A name with a directory part is looked up below each entry.
    makeFile(root + "/tool/sub/y", 0700);
    EXPECT_EQ(search("sub/y", root + "/plain:" + root + "/tool"), root + "/tool/sub/y");
}

// A socket's mode shares the regular-file bit: with execute bits it must still not count.
TEST_F(SearchPathTest, SocketWithExecuteBitsIsNotFound) {
    std::filesystem::create_directories(root + "/socket");
    const std::string path = root + "/socket/x";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof(address.sun_path));
    path.copy(address.sun_path, path.size());
    const int socketDescriptor = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(socketDescriptor, 0);
    ASSERT_EQ(bind(socketDescriptor, reinterpret_cast<const sockaddr*>(&address), sizeof(address)),
              0);
    close(socketDescriptor);
    ASSERT_EQ(chmod(path.c_str(), 0755), 0);
    EXPECT_EQ(search("x", root + "/socket:" + root + "/tool"), root + "/tool/x");
}

TEST_F(SearchPathTest, SkipsTheEmptyEntryAndFindsLsInBin) {
    struct stat status;
    if (stat("/bin/ls", &status) != 0 || !S_ISREG(status.st_mode) || (status.st_mode & 0111) == 0)
        GTEST_SKIP() << "/bin/ls is not an executable regular file here";
    EXPECT_EQ(search("ls", "/nonexistent::/bin"), "/bin/ls");
}

TEST_F(SearchPathTest, DotEntriesArePutBehindTheCurrentDirectory) {
    const std::string tool = root + "/tool";
    EXPECT_EQ(inChildAt(tool, [] { return search("x", "."); }), tool + "/./x");
    EXPECT_EQ(inChildAt(root, [] { return search("x", "./plain:./tool"); }), root + "/./tool/x");
    EXPECT_EQ(inChildAt(root + "/plain", [] { return search("x", "..:../tool"); }),
              root + "/plain/../tool/x");
    EXPECT_EQ(inChildAt(root, [] { return search("x", ".:./empty"); }), "");
}

TEST_F(SearchPathTest, OneArgumentFormSearchesTheCurrentDirectoryThenPath) {
    const std::string tool = root + "/tool";
    const std::string group = root + "/group";
    {
        qimtest::ScopedEnvironment path("PATH", nullptr);
        EXPECT_EQ(inChildAt(tool, [] { return text(searchPath(utf8("x"))); }), tool + "/./x");
        EXPECT_EQ(inChildAt(root, [] { return text(searchPath(utf8("x"))); }), "");
    }
    {
        qimtest::ScopedEnvironment path("PATH", "");
        EXPECT_EQ(inChildAt(tool, [] { return text(searchPath(utf8("x"))); }), tool + "/./x");
        EXPECT_EQ(inChildAt(root, [] { return text(searchPath(utf8("x"))); }), "");
    }
    {
        const std::string list = root + "/plain::" + group;
        qimtest::ScopedEnvironment path("PATH", list.c_str());
        EXPECT_EQ(inChildAt(root, [] { return text(searchPath(utf8("x"))); }), group + "/x");
        // The current directory comes before PATH.
        EXPECT_EQ(inChildAt(tool, [] { return text(searchPath(utf8("x"))); }), tool + "/./x");
        EXPECT_EQ(text(searchPath(utf8("/abs/x"))), "/abs/x");
        EXPECT_EQ(text(searchPath(EncodedString())), "");
    }
}

TEST_F(SearchPathTest, CurrentDirectoryLongerThanTheBufferLeavesTheDotEntryAsItIs) {
    const qimtest::ChildResult result = qimtest::runInChild([&] {
        if (chdir(root.c_str()) != 0 || !qimtest::enterDeepDirectory())
            return 2;
        makeFile("x", 0755);
        std::fputs(text(searchPath(utf8("x"), utf8("/nonexistent:."))).c_str(), stdout);
        std::fputs("|", stdout);
        unsetenv("PATH");
        std::fputs(text(searchPath(utf8("x"))).c_str(), stdout);
        return 0;
    });
    ASSERT_EQ(result.exitCode(), 0) << result.err;
    EXPECT_EQ(result.out, "./x|./x");
}

class ResolveSymbolicLinkTest : public ::testing::Test {
protected:
    ResolveSymbolicLinkTest() : root(qimtest::realPath(temporary.path())) {
        makeFile(root + "/file", 0644);
    }

    qimtest::TemporaryDirectory temporary;
    const std::string root;
    std::optional<std::string> thrown;
};

TEST_F(ResolveSymbolicLinkTest, PathThatIsNoLinkComesBackUnchanged) {
    EXPECT_EQ(resolve(root + "/file", 1, thrown), root + "/file");
    EXPECT_FALSE(thrown);
    EXPECT_EQ(resolve(root + "/missing", 1, thrown), root + "/missing");
    EXPECT_EQ(resolve("", 1, thrown), "");
    EXPECT_FALSE(thrown);
}

TEST_F(ResolveSymbolicLinkTest, DepthBoundsTheChainOfLinks) {
    makeLink(root + "/file", root + "/second");
    makeLink(root + "/second", root + "/first");

    // Depth 1 on a chain of two: the second link is followed once more and its target
    // raised.
    EXPECT_EQ(resolve(root + "/first", 1, thrown), "");
    EXPECT_EQ(thrown, root + "/file");
    EXPECT_EQ(resolve(root + "/first", 0, thrown), ""); // 0 counts as 1
    EXPECT_EQ(thrown, root + "/file");
    EXPECT_EQ(resolve(root + "/first", 2, thrown), root + "/file");
    EXPECT_FALSE(thrown);
    EXPECT_EQ(resolve(root + "/second", 0, thrown), root + "/file");
    EXPECT_FALSE(thrown);
    EXPECT_EQ(resolve(root + "/first", 10, thrown), root + "/file");
}

TEST_F(ResolveSymbolicLinkTest, ChainOfTenResolvesWithTheDefaultDepthAndElevenDoesNot) {
    std::string previous = root + "/file";
    for (int i = 1; i <= 11; ++i) {
        const std::string link = root + "/link" + std::to_string(i);
        makeLink(previous, link);
        previous = link;
    }
    EXPECT_EQ(resolve(root + "/link10", 10, thrown), root + "/file");
    EXPECT_EQ(text(resolveSymbolicLink(utf8(root + "/link10"))), root + "/file");
    EXPECT_EQ(resolve(root + "/link11", 10, thrown), "");
    EXPECT_EQ(thrown, root + "/file");
}

TEST_F(ResolveSymbolicLinkTest, RelativeTargetGoesBehindTheLinksDirectory) {
    makeLink("a/b", root + "/x/y/link");
    EXPECT_EQ(resolve(root + "/x/y/link", 10, thrown), root + "/x/y/a/b");
    // Followed again from there, without rationalizing the ".." components.
    makeFile(root + "/x/target", 0644);
    makeLink("../target", root + "/x/y/up");
    makeLink("up", root + "/x/y/via");
    EXPECT_EQ(resolve(root + "/x/y/via", 10, thrown), root + "/x/y/../target");
    // A link given by a relative path keeps its directory part.
    EXPECT_EQ(inChildAt(root + "/x", [] { return text(resolveSymbolicLink(utf8("y/link"), 10)); }),
              "y/a/b");
    EXPECT_EQ(inChildAt(root + "/x/y", [] { return text(resolveSymbolicLink(utf8("link"), 10)); }),
              "a/b");
}

// The link's name reaches readlink in the native code page, not as UTF-8.
TEST_F(ResolveSymbolicLinkTest, NonAsciiLinkNameIsReadInTheNativeCodePage) {
    const std::string latin1Name = root + "/caf\xE9";
    makeLink("target", latin1Name);
    const qimtest::ChildResult result = qimtest::runInChild([&] {
        setenv("QIM_DBG_CODEPAGE", "ISO-8859-1", 1);
        const EncodedString link(latin1Name.c_str(), EncodedString::Native);
        std::fputs(text(resolveSymbolicLink(link, 10).convertToNative()).c_str(), stdout);
        return 0;
    });
    ASSERT_EQ(result.exitCode(), 0) << result.err;
    EXPECT_EQ(result.out, root + "/target");
}

TEST_F(ResolveSymbolicLinkTest, LoopRaisesTheLinkReachedAtTheLimit) {
    makeLink(root + "/b", root + "/a");
    makeLink(root + "/a", root + "/b");
    EXPECT_EQ(resolve(root + "/a", 10, thrown), "");
    ASSERT_TRUE(thrown);
    // Ten links followed, the eleventh raised: a, b alternate and the eleventh target is b.
    EXPECT_EQ(*thrown, root + "/b");
    makeLink("self", root + "/self");
    EXPECT_EQ(resolve(root + "/self", 3, thrown), "");
    EXPECT_EQ(thrown, root + "/self");
}

TEST_F(ResolveSymbolicLinkTest, LinkTextOfTheBufferSizeOrMoreEndsTheWalk) {
    // Link texts need not name anything; readlink returns them all the same.
    const std::string fits = "/" + std::string(1022, 'a');
    const std::string exact = "/" + std::string(1023, 'a');
    const std::string longer = "/" + std::string(1499, 'a');
    makeLink(fits, root + "/fits");
    makeLink(exact, root + "/exact");
    makeLink(longer, root + "/longer");
    EXPECT_EQ(resolve(root + "/fits", 10, thrown), fits);
    EXPECT_EQ(resolve(root + "/exact", 10, thrown), root + "/exact");
    EXPECT_EQ(resolve(root + "/longer", 10, thrown), root + "/longer");
    EXPECT_FALSE(thrown);
}

TEST_F(ResolveSymbolicLinkTest, OneArgumentFormReportsALoopAndExitsWith255) {
    makeLink(root + "/b", root + "/a");
    makeLink(root + "/a", root + "/b");
    const std::string path = root + "/a";
    const qimtest::ChildResult result = qimtest::runInChild([&] {
        resolveSymbolicLink(utf8(path));
        return 0;
    });
    EXPECT_EQ(result.exitCode(), 255);
    EXPECT_EQ(result.err, "Cannot resolve symbolic link " + path + "\n");
    EXPECT_EQ(result.out, "");

    makeLink(root + "/file", root + "/good");
    EXPECT_EQ(text(resolveSymbolicLink(utf8(root + "/good"))), root + "/file");
}

} // namespace
