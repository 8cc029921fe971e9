//===- tests/utilities/files/FileNameTest.cpp - Parsed path names ---------===//
#include "utilities/files/FileName.h"

#include "tests/support/StringText.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"
#include "tests/support/TraceInUse.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

using qimtest::text;
using qimtest::utf8;

FileName fileName(const std::string& bytes) {
    return FileName(utf8(bytes));
}

/// The ERROR records of a trace file, without their stamps.
std::vector<std::string> errorRecords(const std::string& path) {
    std::vector<std::string> records;
    for (const std::string& line : qimtest::withoutStamps(qimtest::readLines(path)))
        if (line.rfind("**ERROR: ", 0) == 0)
            records.push_back(line);
    return records;
}

/// The record text of an ERROR record of this file name source, with any line number.
std::string withoutLineNumber(const std::string& record) {
    static const std::regex placeLine(R"(^(\*\*ERROR: UNIXFileName)\([1-9][0-9]*\)(: ))");
    return std::regex_replace(record, placeLine, "$1(<line>)$2");
}

void expectInvalid(const FileName& name) {
    EXPECT_FALSE(name.isValid());
    EXPECT_EQ(name.fileStart(), 0u);
    EXPECT_EQ(name.periodPos(), 0u);
    EXPECT_EQ(name.memberPos(), 0u);
}

TEST(FileNameTest, ParseFindsFileStartPeriodAndMemberInCharacters) {
    struct Case {
        const char* name;
        const char* stored;
        unsigned int fileStart, periodPos, memberPos;
    };
    const Case cases[] = {
        {"x", "x", 1, 0, 0},
        {".", ".", 1, 1, 0},
        {"x.", "x.", 1, 2, 0},
        {"..", "..", 1, 2, 0},
        {"lib/libc.a(shr.o)", "lib/libc.a(shr.o)", 5, 9, 11},
        {"/abs/x.tar.gz", "/abs/x.tar.gz", 6, 11, 0},
        {"dir.d/file", "dir.d/file", 7, 0, 0},
        {"/x", "/x", 2, 0, 0},
        {"(m)", "(m)", 1, 0, 1},
        {"a/(m.o)", "a/(m.o)", 3, 0, 3},
        // Separators and periods inside the member part do not count.
        {"lib/a(b/c.d)", "lib/a(b/c.d)", 5, 0, 6},
        // A name ending in ")" without "(" has no file part separator and no period.
        {"dir/x.y)", "dir/x.y)", 1, 0, 0},
        // A "(" that is not followed by a final ")" is an ordinary character.
        {"a(b).c", "a(b).c", 1, 5, 0},
        // Runs of separators collapse everywhere, the member part included.
        {"a//b(c//d)", "a/b(c/d)", 3, 0, 4},
        {"///a////b.c", "/a/b.c", 4, 5, 0},
        // Positions count characters, not bytes: each of these letters is two bytes.
        {"\xC3\xA9/\xC3\xBC.x", "\xC3\xA9/\xC3\xBC.x", 3, 4, 0},
    };
    for (const Case& c : cases) {
        const FileName name = fileName(c.name);
        EXPECT_EQ(text(name.name()), c.stored) << c.name;
        EXPECT_EQ(name.fileStart(), c.fileStart) << c.name;
        EXPECT_EQ(name.periodPos(), c.periodPos) << c.name;
        EXPECT_EQ(name.memberPos(), c.memberPos) << c.name;
        EXPECT_TRUE(name.isValid()) << c.name;
    }
}

TEST(FileNameTest, NameEndingWithSeparatorIsInvalidUnchangedAndTraced) {
    qimtest::TemporaryDirectory directory;
    const std::string tracePath = directory.file("trace");
    {
        qimtest::TraceInUse trace(tracePath + ",error");
        const FileName root = fileName("/");
        expectInvalid(root);
        EXPECT_EQ(text(root.name()), "/");
        const FileName dir = fileName("a//dir/");
        expectInvalid(dir);
        EXPECT_EQ(text(dir.name()), "a//dir/"); // not collapsed: the parse ended first
        EXPECT_TRUE(fileName("a/dir").isValid());
    }
    const std::vector<std::string> records = errorRecords(tracePath);
    ASSERT_EQ(records.size(), 2u);
    for (const std::string& record : records)
        EXPECT_EQ(withoutLineNumber(record),
                  "**ERROR: UNIXFileName(<line>): Filename ends with PathSepChar.");
}

TEST(FileNameTest, NameTooLongForSixteenBitPositionsIsInvalidNotWrapped) {
    qimtest::TemporaryDirectory directory;
    const std::string tracePath = directory.file("trace");
    {
        qimtest::TraceInUse trace(tracePath + ",error");

        const FileName longest = fileName(std::string(65535, 'a'));
        EXPECT_TRUE(longest.isValid());
        EXPECT_EQ(longest.fileStart(), 1u);

        // 65536 characters, one more than 16-bit positions can count: not described, even
        // though the positions of this particular name would fit.
        const std::string tooLong = std::string(65530, 'd') + "/x.tar";
        ASSERT_EQ(tooLong.size(), 65536u);
        const FileName name = fileName(tooLong);
        expectInvalid(name);
        EXPECT_TRUE(text(name.name()) == tooLong); // unchanged (not printed: 64 KiB)
        EXPECT_EQ(text(name.directory()), "");
        EXPECT_EQ(text(name.extension()), "");
        EXPECT_FALSE(FileName::isValid(utf8(tooLong)));

        // Positions past 65535 would wrap (the period to 5, the "(" to 9): not valid either.
        const std::string wrapping = "dir/" + std::string(65536, 'a') + ".tar(m.o)";
        const FileName wrapped = fileName(wrapping);
        expectInvalid(wrapped);
        EXPECT_TRUE(text(wrapped.name()) == wrapping);
        EXPECT_EQ(text(wrapped.member()), "");

        // A replacement that makes a valid name too long leaves it invalid.
        FileName grown = fileName("x.c");
        grown.setDirectory(utf8(std::string(70000, 'd')));
        expectInvalid(grown);
        EXPECT_EQ(grown.name().length(), 70004u);
    }
    const std::vector<std::string> records = errorRecords(tracePath);
    ASSERT_EQ(records.size(), 4u);
    for (const std::string& record : records)
        EXPECT_EQ(withoutLineNumber(record),
                  "**ERROR: UNIXFileName(<line>): Filename longer than 65535 characters.");
}

TEST(FileNameTest, LengthLimitCountsCollapsedCharactersNotBytes) {
    // 40000 two-byte characters: 80000 bytes, but 40000 characters fit the positions.
    std::string wide;
    for (int i = 0; i < 40000; ++i)
        wide += "\xC3\xA9";
    const FileName accented = fileName(wide + ".c");
    EXPECT_TRUE(accented.isValid());
    EXPECT_EQ(accented.periodPos(), 40001u);

    // Positions describe the collapsed name: 70000 separators become one.
    const FileName collapsed = fileName("a" + std::string(70000, '/') + "b.c");
    EXPECT_EQ(text(collapsed.name()), "a/b.c");
    EXPECT_EQ(collapsed.fileStart(), 3u);
    EXPECT_EQ(collapsed.periodPos(), 4u);
}

TEST(FileNameTest, RationalizePathDropsDotsAndCancelsParents) {
    struct Case {
        const char* name;
        const char* rationalized;
    };
    const Case cases[] = {
        {"/a/b/../c", "/a/c"},
        {"a/./b", "a/b"},
        {"a//b", "a/b"},
        {"a/../b", "./b"},
        {"a/b/../../c", "./c"},
        {"a/../../c", "../c"},
        {"./../a", "../a"},
        {"/a/../../b", "/a/../../b"}, // would climb above the root: unchanged
        {"a/b/..", "a/b/.."},         // the file part is copied even when it is ".."
        {"a/.../../b", "a/b"},        // three periods make an ordinary name
        // More of the same rules.
        {"x", "x"},
        {"/x", "/x"},
        {"./x", "./x"},
        {"a/b/.", "a/b/."},
        {"/./a/./b", "/a/b"},
        {"/a/../b", "/b"},
        {"a/b/c/../../../../../d", "../../d"},
        {"../../a/b/../c", "../../a/c"},
        {"a/../b/../c(m/../n)", "./c(m/../n)"}, // the member part is left alone
    };
    for (const Case& c : cases) {
        FileName name = fileName(c.name);
        EXPECT_EQ(&name.rationalizePath(), &name);
        EXPECT_EQ(text(name.name()), c.rationalized) << c.name;
        EXPECT_EQ(name.fileStart(), fileName(c.rationalized).fileStart()) << c.name;
    }
}

TEST(FileNameTest, PartsAreCutAtTheStoredPositions) {
    const FileName library = fileName("lib/libc.a(shr.o)");
    EXPECT_EQ(text(library.directory()), "lib/");
    EXPECT_EQ(text(library.fileName().name()), "libc.a");
    EXPECT_EQ(text(library.baseName().name()), "libc");
    EXPECT_EQ(text(library.extension()), ".a");
    EXPECT_EQ(text(library.member()), "shr.o");
    EXPECT_FALSE(library.isAbsolute());

    const FileName plain = fileName("/usr/lib/libx.so.1");
    EXPECT_EQ(text(plain.directory()), "/usr/lib/");
    EXPECT_EQ(text(plain.fileName().name()), "libx.so.1");
    EXPECT_EQ(text(plain.baseName().name()), "libx.so");
    EXPECT_EQ(text(plain.extension()), ".1");
    EXPECT_EQ(text(plain.member()), "");
    EXPECT_TRUE(plain.isAbsolute());

    const FileName bare = fileName("x");
    EXPECT_EQ(text(bare.directory()), "");
    EXPECT_EQ(text(bare.baseName().name()), "x");
    EXPECT_EQ(text(bare.extension()), "");
    EXPECT_EQ(text(fileName("/x").directory()), "/");
    // Without a period the base name runs to the end, member part included.
    EXPECT_EQ(text(fileName("d/archive(m.o)").baseName().name()), "archive(m.o)");
    EXPECT_EQ(text(fileName("d/archive(m.o)").fileName().name()), "archive");
    EXPECT_EQ(text(fileName("a()").member()), "");

    const FileName accented = fileName("\xC3\xA9/\xC3\xBC.x(\xC3\xA4)");
    EXPECT_EQ(text(accented.directory()), "\xC3\xA9/");
    EXPECT_EQ(text(accented.extension()), ".x");
    EXPECT_EQ(text(accented.member()), "\xC3\xA4");
    EXPECT_EQ(accented[3], '/'); // operator[] counts bytes of the stored name

    const FileName invalid = fileName("dir/");
    EXPECT_EQ(text(invalid.directory()), "");
    EXPECT_EQ(text(invalid.extension()), "");
    EXPECT_EQ(text(invalid.member()), "");
    EXPECT_FALSE(invalid.fileName().isValid());
    EXPECT_EQ(text(invalid.fileName().name()), "");
    EXPECT_EQ(text(invalid.baseName().name()), "");
    EXPECT_FALSE(invalid.isAbsolute());
    EXPECT_FALSE(fileName("/").isAbsolute());
}

TEST(FileNameTest, IsValidNeedsANonEmptyNameThatParses) {
    EXPECT_FALSE(FileName::isValid(EncodedString()));
    EXPECT_FALSE(FileName::isValid(utf8("/")));
    EXPECT_FALSE(FileName::isValid(utf8("a/b/")));
    EXPECT_TRUE(FileName::isValid(utf8("a")));
    EXPECT_TRUE(FileName::isValid(utf8("/a//b")));
}

TEST(FileNameTest, SetExtensionReplacesAddsOrRemovesIt) {
    struct Case {
        const char* name;
        const char* extension;
        const char* result;
    };
    const Case cases[] = {
        {"libx", "so", "libx.so"},
        {"libx", ".so", "libx.so"},
        {"libx.so.1", "", "libx.so"},
        {"archive(member)", "o", "archive.o(member)"},
        {"dir/x.a(m)", "b", "dir/x.b(m)"},
        {"dir/x.a(m)", "", "dir/x(m)"},
        {"x", "", "x"},
        {"d.d/x", ".c", "d.d/x.c"},
    };
    for (const Case& c : cases) {
        FileName name = fileName(c.name);
        EXPECT_EQ(&name.setExtension(utf8(c.extension)), &name);
        EXPECT_EQ(text(name.name()), c.result) << c.name << " with " << c.extension;
        EXPECT_EQ(name.periodPos(), fileName(c.result).periodPos()) << c.name;
    }
}

TEST(FileNameTest, SetMemberReplacesAddsOrRemovesIt) {
    struct Case {
        const char* name;
        const char* member;
        const char* result;
    };
    const Case cases[] = {
        {"libc.a(shr.o)", "m.o", "libc.a(m.o)"},
        {"libc.a(shr.o)", "", "libc.a"},
        {"libc.a", "m.o", "libc.a(m.o)"},
        {"libc.a", "(m.o)", "libc.a(m.o)"},  // already in parentheses: taken unchanged
        {"libc.a(x)", "m.o)", "libc.am.o)"}, // ends with ")": taken unchanged
        {"libc.a", "", "libc.a"},
        {"(only)", "", "(only)"}, // memberPos 1: nothing to cut before
    };
    for (const Case& c : cases) {
        FileName name = fileName(c.name);
        EXPECT_EQ(&name.setMember(utf8(c.member)), &name);
        EXPECT_EQ(text(name.name()), c.result) << c.name << " with " << c.member;
    }

    // Removing the member cuts the name and keeps the other positions without a parse.
    FileName library = fileName("lib/libc.a(shr.o)");
    library.hashValue();
    library.setMember(EncodedString());
    EXPECT_EQ(text(library.name()), "lib/libc.a");
    EXPECT_EQ(library.fileStart(), 5u);
    EXPECT_EQ(library.periodPos(), 9u);
    EXPECT_EQ(library.memberPos(), 0u);
    EXPECT_FALSE(library.hashValid());
}

TEST(FileNameTest, SetDirectoryReplacesTheDirectoryPart) {
    struct Case {
        const char* name;
        const char* directory;
        const char* result;
    };
    const Case cases[] = {
        {"lib/libc.a(shr.o)", "/usr/lib", "/usr/lib/libc.a(shr.o)"},
        {"lib/libc.a(shr.o)", "/usr/lib/", "/usr/lib/libc.a(shr.o)"},
        {"lib/libc.a(shr.o)", "", "libc.a(shr.o)"},
        {"x.c", "src", "src/x.c"},
        {"/x.c", "/", "/x.c"},
    };
    for (const Case& c : cases) {
        FileName name = fileName(c.name);
        EXPECT_EQ(&name.setDirectory(utf8(c.directory)), &name);
        EXPECT_EQ(text(name.name()), c.result) << c.name << " with " << c.directory;
        EXPECT_EQ(name.fileStart(), fileName(c.result).fileStart()) << c.name;
    }
}

TEST(FileNameTest, ReplacementsLeaveAnInvalidNameUnchanged) {
    FileName name = fileName("dir/");
    name.setDirectory(utf8("/usr"));
    name.setExtension(utf8("c"));
    name.setMember(utf8("m.o"));
    name.rationalizePath();
    name.qualify(utf8("/home"));
    EXPECT_EQ(text(name.name()), "dir/");
    expectInvalid(name);

    FileName empty;
    empty.setExtension(utf8("c"));
    empty.qualify(utf8("/home"));
    EXPECT_EQ(text(empty.name()), "");
}

TEST(FileNameTest, QualifyMakesARelativeNameAbsoluteAndRationalizes) {
    struct Case {
        const char* name;
        const char* base;
        const char* result;
    };
    const Case cases[] = {
        {"src/../x.c", "/home/u", "/home/u/x.c"},
        {"src/../x.c", "/home/u/", "/home/u/x.c"},
        {"x.c", "/home/u", "/home/u/x.c"},
        {"/abs/./x.c", "/home/u", "/abs/x.c"}, // absolute: only rationalized
        {"a/./b", "", "a/b"},                  // no base: only rationalized
        {"../x.c", "/home/u", "/home/x.c"},
    };
    for (const Case& c : cases) {
        FileName name = fileName(c.name);
        EXPECT_EQ(&name.qualify(utf8(c.base)), &name);
        EXPECT_EQ(text(name.name()), c.result) << c.name << " in " << c.base;
    }
}

TEST(FileNameTest, SharedLibraryWithNumericVersionEqualsItsSoName) {
    const struct {
        const char* left;
        const char* right;
        bool equal;
    } cases[] = {
        {"libc.so", "libc.so.6", true},       {"/lib/libc.so.6", "/lib/libc.so", true},
        {"libx.so.123", "libx.so", true},     {"a/b", "a//b", true},
        {"libc.so.6", "libc.so.7", false},    // both numeric
        {"libc.so.6", "libc.so.6", true},     // both numeric, the same bytes
        {"libx.so.1.2", "libx.so", false},    // the version has two parts
        {"libc.so.6a", "libc.so", false},     // not digits
        {"libc.so.", "libc.so", false},       // a period alone is not numeric
        {"libc.a.6", "libc.a", false},        // the other extension is not ".so"
        {"libc.so.6", "libc.sox", false},     // nor is this one
        {"/lib/libc.so.6", "libc.so", false}, // different directories
        {"libc.so(m)", "libc.so.6", false},   // ".so" with a member: the names differ
    };
    for (const auto& c : cases) {
        const FileName left = fileName(c.left);
        const FileName right = fileName(c.right);
        EXPECT_EQ(left == right, c.equal) << c.left << " == " << c.right;
        EXPECT_EQ(right == left, c.equal) << c.right << " == " << c.left;
        EXPECT_EQ(left != right, !c.equal) << c.left << " != " << c.right;
        EXPECT_EQ(right != left, !c.equal) << c.right << " != " << c.left;
    }
}

TEST(FileNameTest, HashIsCachedAndDroppedOnEveryChange) {
    FileName name = fileName("lib/libc.a(shr.o)");
    EXPECT_FALSE(name.hashValid());
    const std::uint32_t first = name.hashValue();
    EXPECT_TRUE(name.hashValid());
    EXPECT_EQ(first, name.name().hashValue());
    EXPECT_EQ(name.hashValue(), first);

    const FileName copy(name); // copied with its hash, without a parse
    EXPECT_TRUE(copy.hashValid());

    name.setExtension(utf8("b"));
    EXPECT_FALSE(name.hashValid());
    const std::uint32_t second = name.hashValue();
    EXPECT_EQ(second, name.name().hashValue());
    EXPECT_NE(second, first);

    name.setDirectory(utf8("x"));
    EXPECT_FALSE(name.hashValid());
    name.hashValue();
    name.qualify(utf8("/y"));
    EXPECT_FALSE(name.hashValid());
    name.hashValue();
    name.validate(0);
    EXPECT_FALSE(name.hashValid());
    EXPECT_EQ(name.hashValue(), name.name().hashValue());
}

} // namespace
