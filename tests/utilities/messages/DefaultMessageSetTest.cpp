//===- tests/utilities/messages/DefaultMessageSetTest.cpp - Default texts and catalog ---------===//
//
// Tests of the default message set against a copy of its texts transcribed on their own
// (DefaultMessages.txt, whose path the build passes in QIM_DEFAULT_MESSAGES_FILE), and of the
// catalog the build writes and compiles from the set (QIM_CATALOG_FILE), read back through
// catopen and catgets as the message servers read it.
//
//===------------------------------------------------------------------------------------------===//
#include "utilities/messages/DefaultMessageSet.h"
#include "tests/support/TextLines.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <nl_types.h>
#include <string>

namespace {

using qimtest::readLines;

// The copy's texts by message number. A line is "<number>\t<text>", the text written with
// \n for a newline, \" for a double quote and \\ for a backslash; "#" lines are comments.
std::map<int, std::string> readCopiedTexts() {
    std::map<int, std::string> texts;
    for (const std::string& line : readLines(QIM_DEFAULT_MESSAGES_FILE)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::string::size_type tab = line.find('\t');
        if (tab == std::string::npos) {
            ADD_FAILURE() << "no tab in the line: " << line;
            continue;
        }
        std::string text;
        for (std::string::size_type i = tab + 1; i < line.size(); ++i) {
            if (line[i] != '\\' || i + 1 == line.size()) {
                text += line[i];
                continue;
            }
            const char escaped = line[++i];
            text += escaped == 'n' ? '\n' : escaped;
        }
        const int number = std::stoi(line.substr(0, tab));
        EXPECT_TRUE(texts.emplace(number, text).second) << "message " << number << " twice";
    }
    return texts;
}

const char* const* set1() {
    return zormsgMessageSet[1];
}

// Wrong sizes shift every bound check of the message servers: one set, of 346 messages.
TEST(DefaultMessageSetTest, SizesDescribeOneSetOf346Messages) {
    EXPECT_EQ(zormsgSetSizes[0], 1);
    EXPECT_EQ(zormsgSetSizes[1], 346);
    EXPECT_EQ(zormsgMessageSet[0], nullptr);
    ASSERT_NE(set1(), nullptr);
}

// A mistyped, missing or shifted text: every entry must equal the copy, number by number.
TEST(DefaultMessageSetTest, EveryTextMatchesTheTranscribedCopy) {
    const std::map<int, std::string> copied = readCopiedTexts();
    ASSERT_EQ(copied.size(), 346u);
    EXPECT_EQ(copied.begin()->first, 1);
    EXPECT_EQ(copied.rbegin()->first, 346);
    for (const auto& [number, text] : copied) {
        ASSERT_NE(set1()[number], nullptr) << "message " << number;
        EXPECT_EQ(set1()[number], text) << "message " << number;
    }
}

// Entry 0 and messages 195 to 197 hold no message but must be empty strings, not null:
// the servers hand them to catgets as defaults and build text from them.
TEST(DefaultMessageSetTest, EmptyEntriesAreEmptyStringsNotNull) {
    for (int number : {0, 195, 196, 197}) {
        ASSERT_NE(set1()[number], nullptr) << "entry " << number;
        EXPECT_STREQ(set1()[number], "") << "entry " << number;
    }
}

// An escape written out literally (a backslash and an "n") instead of the character it
// stands for, or a byte that is not plain ASCII.
TEST(DefaultMessageSetTest, TextsHoldRealNewlinesAndQuotesAndOnlyAscii) {
    struct Case {
        int number;
        const char* part;
    };
    const Case cases[] = {
        {206, "is assumed to be TRUE.\n\n%1"},
        {241, "because the\ndebugger user interface"},
        {259, "by the \"%1\" exception"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(std::strstr(set1()[c.number], c.part), nullptr) << "message " << c.number;
    }
    for (int number = 1; number <= zormsgSetSizes[1]; ++number) {
        for (const char* byte = set1()[number]; *byte != '\0'; ++byte) {
            const auto value = static_cast<unsigned char>(*byte);
            EXPECT_TRUE(value < 0x80 && value != '\\') << "message " << number;
        }
    }
}

// catgets gives back this very pointer when the catalog lacks a message.
const char missing[] = "\x01 no such message \x01";

// The built catalog, opened by its path as the message servers open an installed one.
class DefaultCatalogTest : public ::testing::Test {
protected:
    void SetUp() override {
        _catalog = catopen(QIM_CATALOG_FILE, NL_CAT_LOCALE);
        ASSERT_NE(_catalog, reinterpret_cast<nl_catd>(-1)) << "cannot open " << QIM_CATALOG_FILE;
    }
    void TearDown() override {
        if (_catalog != reinterpret_cast<nl_catd>(-1)) {
            catclose(_catalog);
        }
    }
    const char* lookUp(int set, int number) const {
        return catgets(_catalog, set, number, missing);
    }

private:
    nl_catd _catalog = reinterpret_cast<nl_catd>(-1);
};

// A message left out of the catalog source, or one whose newline, quote or backslash did not
// survive gencat's reading: every message, the empty ones included, comes back as the table's.
TEST_F(DefaultCatalogTest, EveryMessageComesBackAsTheTablesText) {
    for (int number = 1; number <= zormsgSetSizes[1]; ++number) {
        const char* text = lookUp(1, number);
        ASSERT_NE(text, missing) << "message " << number << " is not in the catalog";
        EXPECT_STREQ(text, set1()[number]) << "message " << number;
    }
}

// Numbers beyond the table, or a second set, would be messages no caller knows of.
TEST_F(DefaultCatalogTest, CatalogHoldsNothingBeyondTheTable) {
    EXPECT_EQ(lookUp(1, zormsgSetSizes[1] + 1), missing);
    EXPECT_EQ(lookUp(2, 1), missing);
}

} // namespace
