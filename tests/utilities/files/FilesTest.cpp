//===- tests/utilities/files/FilesTest.cpp - File names, path services, install paths -===//
//
// FileName at the bounds of its 16-bit positions and on names cut at a U+0000 (the
// file_name fuzz target checks every operation against a model on shorter names); then
// searchPath, resolveSymbolicLink and installLocation on files and links made in a
// temporary directory, each row in a child with its own current directory and PATH.
//
//===----------------------------------------------------------------------------===//
#include "utilities/files/FileName.h"
#include "utilities/files/InstallPath.h"
#include "utilities/files/PathServices.h"
#include "utilities/files/UNIX_Installpath.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/StringText.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"
#include "tests/support/TraceInUse.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using qimtest::text;
using qimtest::utf8;

// {name, member "(...)" or directory to set or "" to rationalize, stored name (its length when
// long) and the positions fileStart,periodPos,memberPos}. Invalid names are traced as ERRORs.
TEST(FileNameTest, LimitsAndNamesCutAtAZero) {
    std::string wide(80000, '\xC3'); // "é" 40000 times
    for (std::size_t i = 1; i < wide.size(); i += 2)
        wide[i] = '\xA9';
    const std::string rows[][3] = {
        {std::string(65535, 'a'), "", "#65535 1,0,0"},
        {std::string(65530, 'd') + "/x.tar", "", "#65536 0,0,0"},   // too long, though it would fit
        {wide + ".c", "", "#80002 1,40001,0"},                      // characters, not bytes
        {"a" + std::string(70000, '/') + "b.c", "", "a/b.c 3,4,0"}, // counted collapsed
        {"x.c", std::string(70000, 'd'), "#70004 0,0,0"},           // grown too long
        {"a//dir/", "/usr", "a//dir/ 0,0,0"}, // ends with "/": unchanged, not collapsed
        {"lib/libc.a(shr.o)", "(m.o)", "lib/libc.a(m.o) 5,9,11"},
        {"/./.\xC0\x80)", "", "/. 2,2,0"}, // stored as "/./.": the ")" is gone
        {"a\xC0\x80/b", "", "a 1,0,0"},
        {"lib/x.a\xC0\x80(m)", "", "lib/x.a 5,6,0"},
        {"\xC0\x80", "", "\xC0\x80 0,0,0"}, // nothing before the zero: as given
    };
    qimtest::TemporaryDirectory directory;
    {
        qimtest::TraceInUse trace(directory.file("trace") + ",error");
        for (const auto& [given, change, expected] : rows) {
            FileName name(utf8(given));
            EXPECT_EQ(FileName::isValid(utf8(given)), name.isValid()); // traced a second time
            change.empty()     ? name.rationalizePath()
            : change[0] == '(' ? name.setMember(utf8(change))
                               : name.setDirectory(utf8(change));
            const std::string stored = text(name.name());
            EXPECT_EQ((stored.size() > 99 ? "#" + std::to_string(stored.size()) : stored) + " " +
                          std::to_string(name.fileStart()) + "," +
                          std::to_string(name.periodPos()) + "," + std::to_string(name.memberPos()),
                      expected);
        }
    }
    const std::regex record(R"(.*\*\*ERROR: UNIXFileName\(\d+\): Filename (?:(longer) than )"
                            R"(65535 characters|(ends) with PathSepChar)\.\n|.*\n)");
    EXPECT_EQ(std::regex_replace(qimtest::readFile(directory.file("trace")), record, "$1$2"),
              "longerlongerlongerendsends");
}

// {operation, current directory, PATH ("-": none), path, result}, "@" the temporary directory,
// "@/deep" a link to a directory deeper than getcwd's 1024-byte buffer reaches.
// s: searchPath; r<depth>: resolveSymbolicLink; i: installLocation, "none" when it fails.
// The code page is ISO-8859-1: the path of a link goes to the system in it.
const std::string rows[][5] = {
    {"s", "@", "", "", ""},
    {"s", "@", "", "/no/x", "/no/x"}, // absolute: back untested
    // Passed over: empty entries, no execute bit, a directory, a socket with execute bits.
    {"s", "@", ":@/none::@/plain:@/directory:@/socket:@/group:@/tool", "x", "@/group/x"},
    {"s", "@/tool", "@/group", "x", "@/tool/./x"}, // "." first, behind the current directory
    {"s", "@/tool", "-", "x", "@/tool/./x"},
    {"s", "@/deep", "/none", "x", "./x"}, // no current directory: "." as it is
    {"r1", "@", "", "@/file", "@/file"},
    {"r1", "@", "", "@/first", "throw @/file"}, // two links, one followed
    {"r0", "@", "", "@/first", "throw @/file"},
    {"r2", "@", "", "@/first", "@/file"},
    {"r10", "@", "", "@/a", "throw @/b"},        // a loop: ten followed, the eleventh raised
    {"r10", "@", "", "@/x/y/link", "@/x/y/a/b"}, // behind the link's directory
    {"r10", "@", "", "@/fits", "/" + std::string(1022, 'a')},
    {"r10", "@", "", "@/exact", "@/exact"}, // a link text as long as the buffer: not read
    {"r1", "@", "", "@/caf\xC3\xA9", "@/target"},
    {"i", "@", "", "@//tool/./bin/../bin/prog", "@/tool"},
    {"i", "@", "", "", "none "},
    {"i", "@", "", "/opt/dbg/sbin/shell", "none /opt/dbg/sbin/shell"},
    {"i", "@", "", "/bin/shell", ""},
    {"i", "@", "", "@/other/bin/link", "none @/other/bin/link"}, // a link into libexec
    {"i", "@/tool/libexec", "", "../bin/prog", "@/tool"},
    {"i", "@", "@/none:@/tool/bin", "prog", "@/tool"},
    {"i", "@", "-", "prog", "none prog"},
    {"i", "@/deep", "", "bin/prog", "none bin/prog"},
    {"i", "@", "", "@/loop/bin/a", "Cannot resolve symbolic link @/loop/bin/a\n"}, // exit 255
};

TEST(PathsTest, SearchLinksAndInstallLocation) {
    qimtest::TemporaryDirectory temporary;
    const std::string root = std::filesystem::canonical(temporary.path()).string();
    const auto at = [&](std::string s) { return std::regex_replace(s, std::regex("@"), root); };
    // The tree; $A is a link text of 1022 bytes, $l a directory path of 1206.
    const char* const tree = R"(cd "$R" && d=$(printf %0200d 0 | tr 0 d) && l=$d/$d/$d/$d/$d/$d
mkdir -p $l/bin tool/bin tool/libexec plain group directory/x socket x/y other/bin loop/bin
touch plain/x group/x file && chmod 610 group/x && ln -s a/b x/y/link && ln -s $l deep
for f in tool/x tool/bin/prog tool/libexec/prog $l/x $l/bin/prog; do touch $f; chmod 700 $f; done
ln -s "$R/file" second && ln -s "$R/second" first && ln -s "$R/a" b && ln -s "$R/b" a
ln -s "/$A" fits && ln -s "/${A}a" exact && ln -s "$R/tool/libexec/prog" other/bin/link
ln -s target caf$(printf '\351') && ln -s "$R/loop/bin/b" loop/bin/a && ln -s "$R/loop/bin/a" loop/bin/b)";
    const qimtest::ChildResult made =
        qimtest::runProgram("/bin/sh", {"-ec", tree}, {"R=" + root, "A=" + std::string(1022, 'a')});
    ASSERT_EQ(made.exitCode(), 0) << made.err;
    sockaddr_un address{AF_UNIX, {}};
    (root + "/socket/x").copy(address.sun_path, sizeof address.sun_path - 1);
    const int socketDescriptor = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(socketDescriptor, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(socketDescriptor); // its mode has the execute bits that the umask leaves
    for (const auto& [operation, current, argument, path, expected] : rows) {
        const qimtest::ChildResult result = qimtest::runInChild([&] {
            EncodedString found = utf8(at(path));
            if (setenv("QIM_DBG_CODEPAGE", "ISO-8859-1", 1) != 0 ||
                chdir(at(current).c_str()) != 0 ||
                (argument == "-" ? unsetenv("PATH") : setenv("PATH", at(argument).c_str(), 1)) != 0)
                return 2;
            try {
                if (operation == "s")
                    found = searchPath(found);
                if (operation[0] == 'r')
                    found = resolveSymbolicLink(found, std::stoul(operation.substr(1)));
            } catch (const EncodedString& raised) {
                found = utf8("throw " + text(raised));
            }
            if (operation == "i" && !UNIX_Installpath::installLocation(found))
                found = utf8("none " + text(found));
            std::fputs(text(found).c_str(), stdout);
            return 0;
        });
        EXPECT_EQ(result.out + result.err, at(expected)) << operation << " " << path;
        EXPECT_EQ(result.exitCode(), expected.rfind("Cannot", 0) == 0 ? 255 : 0);
    }
    // This test program does not lie in a directory named bin (the message tests run one
    // that does).
    EXPECT_EQ(text(InstallPath::instance().location()), "");
}

} // namespace
