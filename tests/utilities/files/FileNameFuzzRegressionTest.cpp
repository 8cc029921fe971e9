//===- tests/utilities/files/FileNameFuzzRegressionTest.cpp - Names cut at U+0000 ---===//
//
// Names that the file_name fuzz target found mishandled. An overlong UTF-8 form of U+0000
// (C0 80) decodes to that character, and a name is stored as the UTF-8 form of its text,
// which ends there: the positions must count the stored text too, not the characters after
// the cut.
//
//===----------------------------------------------------------------------------===//
#include "utilities/files/FileName.h"

#include "tests/support/StringText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qimtest::text;
using qimtest::utf8;

struct StoredCase {
    const char* bytes;
    const char* stored;
    bool valid;
    unsigned int fileStart;
    unsigned int periodPos;
    unsigned int memberPos;
};

// The positions were those of the whole decoded text: a ")" after the cut put the scan in
// member mode, a "/" after it moved the file part past the stored name, and a name of the
// zero alone was valid with nothing stored.
TEST(FileNameFuzzRegressionTest, PositionsDescribeTheNameUpToAZeroCharacter) {
    const StoredCase cases[] = {
        {"/./.\xC0\x80)", "/./.", true, 4, 4, 0},
        {"a\xC0\x80/b", "a", true, 1, 0, 0},
        {"lib/x.a\xC0\x80(m)", "lib/x.a", true, 5, 6, 0},
        {"\xC0\x80", "\xC0\x80", false, 0, 0, 0}, // nothing before the zero: left as given
    };
    for (const StoredCase& c : cases) {
        const FileName name(utf8(c.bytes));
        EXPECT_EQ(text(name.name()), c.stored) << c.stored;
        EXPECT_EQ(name.isValid(), c.valid) << c.stored;
        EXPECT_EQ(name.fileStart(), c.fileStart) << c.stored;
        EXPECT_EQ(name.periodPos(), c.periodPos) << c.stored;
        EXPECT_EQ(name.memberPos(), c.memberPos) << c.stored;
        if (c.valid) {
            const FileName again(name.name());
            EXPECT_EQ(again.fileStart(), name.fileStart()) << "a parse of the stored name differs";
            EXPECT_EQ(again.periodPos(), name.periodPos()) << c.stored;
            EXPECT_EQ(again.memberPos(), name.memberPos()) << c.stored;
        }
    }
}

// Working with positions past the stored text, rationalizePath left "/./." the first time
// and made it "/." the second.
TEST(FileNameFuzzRegressionTest, RationalizingANameCutAtAZeroCharacterIsIdempotent) {
    FileName name(utf8("/./.\xC0\x80)"));
    name.rationalizePath();
    EXPECT_EQ(text(name.name()), "/.");
    const std::string once = text(name.name());
    name.rationalizePath();
    EXPECT_EQ(text(name.name()), once);
}

} // namespace
