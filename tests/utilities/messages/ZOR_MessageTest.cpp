//===- tests/utilities/messages/ZOR_MessageTest.cpp - Message objects -*- C++ -*-===//
//
// Messages in the test's own process, where no catalog is installed: numbered messages
// resolve to the default texts, or to the texts of a server that the test makes up.
//
//===----------------------------------------------------------------------------===//
#include "utilities/messages/ZOR_Message.h"
#include "utilities/messages/DefaultMessageSet.h"
#include "utilities/messages/XPG4MsgServer.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/StringText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qimtest::text;
using qimtest::utf8;

const char* const message274 =
    "The load of program prog failed because the exec() function failed.  The error code is 2.";

// A server whose every message has the same text.
class FixedTextServer : public XPG4MsgServer {
public:
    explicit FixedTextServer(const char* catalogText)
        : XPG4MsgServer("C", "pex", zormsgMessageSet, zormsgSetSizes), _text(utf8(catalogText)) {}
    EncodedString getText(int, int) const override { return _text; }

private:
    EncodedString _text;
};

std::vector<std::string> insertsOf(const ZOR_Message& message) {
    std::vector<std::string> inserts;
    for (unsigned int i = 0; i < message.insertCount(); ++i)
        inserts.push_back(text(message.insert(i)));
    return inserts;
}

TEST(ZOR_MessageTest, ConstructorsSetTheFlagsOfTheirKind) {
    const ZOR_Message none;
    EXPECT_TRUE(none.isEmpty());
    EXPECT_TRUE(none.isResolved());
    EXPECT_EQ(none.number(), 0u);

    // Only the low 30 bits are the number; the top bits must not become flags.
    const ZOR_Message numbered(0xC0000000u | 274u);
    EXPECT_EQ(numbered.number(), 274u);
    EXPECT_FALSE(numbered.isEmpty());
    EXPECT_FALSE(numbered.isResolved());

    const ZOR_Message zero(0u);
    EXPECT_FALSE(zero.isNumbered());
    EXPECT_FALSE(zero.isEmpty());

    const ZOR_Message literal(utf8("hello"));
    EXPECT_TRUE(literal.isResolved());
    EXPECT_FALSE(literal.isEmpty());
    EXPECT_FALSE(literal.isNumbered());
}

// Bit 29 is the sign of the 30-bit number: such messages are not numbered.
TEST(ZOR_MessageTest, NumberWithBit29SetIsNotNumbered) {
    EXPECT_TRUE(ZOR_Message(0x1FFFFFFFu).isNumbered());
    EXPECT_FALSE(ZOR_Message(0x20000000u).isNumbered());
    EXPECT_FALSE(ZOR_Message(0x3FFFFFFFu).isNumbered());
    const ZOR_Message negative(0x20000001u);
    EXPECT_EQ(text(negative.format(FixedTextServer("catalog text"))), "");
}

TEST(ZOR_MessageTest, SetTextAndSetIdSetTheFlags) {
    ZOR_Message message(274u);
    message.set_trailer(utf8(" trailer"));
    message.set_text(utf8(""));
    EXPECT_TRUE(message.isEmpty());
    EXPECT_TRUE(message.isResolved());
    EXPECT_EQ(message.number(), 0u);
    EXPECT_EQ(text(message.trailer()), "") << "set_text must empty the trailer";

    message.set_trailer(utf8(" trailer"));
    message.set_id(33u);
    EXPECT_FALSE(message.isResolved());
    EXPECT_FALSE(message.isEmpty());
    EXPECT_EQ(message.number(), 33u);
    EXPECT_EQ(text(message.trailer()), " trailer") << "set_id must keep the trailer";

    for (uint32_t emptyNumber : {0u, 0x80000021u}) {
        message.set_id(emptyNumber);
        EXPECT_TRUE(message.isEmpty()) << emptyNumber;
        EXPECT_FALSE(message.isResolved()) << emptyNumber;
        EXPECT_EQ(message.number(), 0u) << emptyNumber;
    }
}

TEST(ZOR_MessageTest, CopiesOwnTheirInserts) {
    EncodedString program = utf8("prog");
    EncodedString code = utf8("2");
    auto* original = new ZOR_Message(274u);
    original->set_inserts(&program, &code, nullptr);
    original->set_trailer(utf8(" (trailer)"));
    program = utf8("changed");

    ZOR_Message copy(*original);
    ZOR_Message assigned;
    assigned = *original;
    delete original; // the copies must not point into the original's inserts

    for (ZOR_Message* message : {&copy, &assigned}) {
        EXPECT_EQ(insertsOf(*message), (std::vector<std::string>{"prog", "2"}));
        EXPECT_EQ(message->number(), 274u);
        EXPECT_FALSE(message->isResolved());
        EXPECT_EQ(text(message->text()), std::string(message274) + " (trailer)");
    }
    ZOR_Message& alias = assigned;
    assigned = alias;
    EXPECT_EQ(insertsOf(assigned), (std::vector<std::string>{"prog", "2"}));
}

TEST(ZOR_MessageTest, VariadicInsertsStopAtNullOrNine) {
    std::vector<EncodedString> texts;
    for (int i = 1; i <= 10; ++i)
        texts.push_back(EncodedString::number(i));
    ZOR_Message message(51u);
    message.set_inserts(&texts[0], &texts[1], &texts[2], &texts[3], &texts[4], &texts[5], &texts[6],
                        &texts[7], &texts[8], &texts[9], nullptr);
    EXPECT_EQ(insertsOf(message),
              (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9"}));

    message.set_inserts(&texts[0], nullptr, &texts[2], nullptr);
    EXPECT_EQ(insertsOf(message), (std::vector<std::string>{"1"}));

    message.set_inserts(nullptr);
    EXPECT_EQ(message.insertCount(), 0u);
}

TEST(ZOR_MessageTest, ListInsertsHaveNoLimitAndMayBeTheMessagesOwn) {
    std::vector<EncodedString> texts;
    List<const EncodedString*> list;
    for (int i = 1; i <= 12; ++i)
        texts.push_back(EncodedString::number(i));
    for (const EncodedString& text : texts)
        list.append(&text);
    ZOR_Message message(51u, list);
    EXPECT_EQ(message.insertCount(), 12u);

    // Giving a message its own inserts must not read them after they were deleted.
    message.set_inserts(&message.insert(11), &message.insert(0), nullptr);
    EXPECT_EQ(insertsOf(message), (std::vector<std::string>{"12", "1"}));

    message.clear_inserts();
    EXPECT_EQ(message.insertCount(), 0u);
}

TEST(ZOR_MessageTest, Message274ResolvesWithItsInserts) {
    const EncodedString program = utf8("prog");
    const EncodedString code = EncodedString::number(2);
    ZOR_Message message(274u);
    message.set_inserts(&program, &code, nullptr);
    EXPECT_EQ(text(message.text()), message274);
}

struct FormatCase {
    const char* name;
    const char* catalogText;
    std::vector<const char*> inserts;
    const char* expected;
};

void PrintTo(const FormatCase& value, std::ostream* out) {
    *out << value.name;
}

class ZOR_MessageFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ZOR_MessageFormatTest, ReplacesEachPlaceholderOnce) {
    const FormatCase& c = GetParam();
    std::vector<EncodedString> inserts;
    for (const char* insert : c.inserts)
        inserts.push_back(utf8(insert));
    List<const EncodedString*> list;
    for (const EncodedString& insert : inserts)
        list.append(&insert);
    const ZOR_Message message(7u, list);
    EXPECT_EQ(text(message.format(FixedTextServer(c.catalogText))), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Placeholders, ZOR_MessageFormatTest,
    ::testing::Values(FormatCase{"NoInsertsKeepsPlaceholders", "a %1 b", {}, "a %1 b"},
                      FormatCase{"OnlyFirstOccurrence", "%1 and %1", {"x"}, "x and %1"},
                      FormatCase{"OutOfOrder", "%2 (in %1)", {"one", "two"}, "two (in one)"},
                      FormatCase{"SecondArrivesInsideFirst", "[%1]", {"<%2>", "two"}, "[<two>]"},
                      FormatCase{"MissingPlaceholderIsUnused", "no place", {"x"}, "no place"},
                      FormatCase{"MultibyteInsertAndText",
                                 "\xC3\xA4 %1 \xE2\x82\xAC",
                                 {"\xF0\x9F\x98\x80"},
                                 "\xC3\xA4 \xF0\x9F\x98\x80 \xE2\x82\xAC"},
                      // With ten inserts, %1 matches the start of %10 when %10 comes first.
                      FormatCase{"TenthPlaceholderTakenByFirst",
                                 "%10 %1",
                                 {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"},
                                 "a0 %1"}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return info.param.name; });

TEST(ZOR_MessageTest, TextIsResolvedOnceWithTheTrailer) {
    ZOR_Message message(33u);
    message.set_trailer(utf8(" (more)"));
    EXPECT_EQ(text(message.text()), "Invalid expression. (more)");
    EXPECT_TRUE(message.isResolved());
    const EncodedString other = utf8("x");
    message.set_inserts(&other, nullptr);
    message.set_trailer(utf8(" (changed)"));
    EXPECT_EQ(text(message.text()), "Invalid expression. (more)");

    message.set_id(347u); // beyond the last message: an empty text and the trailer
    EXPECT_EQ(text(message.text()), " (changed)");
}

struct DisplayCase {
    unsigned int options;
    const char* out;
    const char* err;
};

void PrintTo(const DisplayCase& value, std::ostream* out) {
    *out << value.options;
}

class ZOR_MessageDisplayTest : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(ZOR_MessageDisplayTest, WritesTheBlankLinesAndStreamOfItsOptions) {
    const DisplayCase& c = GetParam();
    const qimtest::ChildResult result = qimtest::runInChild([&c] {
        ZOR_Message(utf8("hello")).display(c.options);
        return 0;
    });
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
}

INSTANTIATE_TEST_SUITE_P(
    Options, ZOR_MessageDisplayTest,
    ::testing::Values(DisplayCase{0, "hello\n", ""}, DisplayCase{1, "", "hello\n"},
                      DisplayCase{2, "\nhello\n", ""}, DisplayCase{4, "hello\n\n", ""},
                      DisplayCase{6, "\nhello\n\n", ""}, DisplayCase{7, "", "\nhello\n\n"}),
    [](const ::testing::TestParamInfo<DisplayCase>& info) {
        return "Options" + std::to_string(info.param.options);
    });

TEST(ZOR_MessageTest, DisplayOfEmptyAndNumberedMessages) {
    const qimtest::ChildResult result = qimtest::runInChild([] {
        ZOR_Message().display(0);
        ZOR_Message numbered(33u);
        numbered.set_trailer(utf8(" (not shown)"));
        numbered.display(0);
        const EncodedString program = utf8("prog");
        const EncodedString code = utf8("2");
        ZOR_Message::display(274u, 1, &program, &code, nullptr);
        return 0;
    });
    EXPECT_EQ(result.out, "\nInvalid expression.\n");
    EXPECT_EQ(result.err, std::string(message274) + "\n");
}

} // namespace
