//===- tests/utilities/messages/MessagesTest.cpp - Default texts, catalogs, messages -===//
//
// The default texts against a copy transcribed on their own and against the catalog built
// from them; locale names; message objects; and the catalog search with gencat catalogs and
// localedef locales, run by a probe program copied into installations of the test's making.
//
//===----------------------------------------------------------------------------===//
#include "utilities/messages/CatalogLocale.h"
#include "utilities/messages/DefaultMessageSet.h"
#include "utilities/messages/XPG4MsgServer.h"
#include "utilities/messages/ZOR_Message.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/MessageCatalogs.h"
#include "tests/support/StringText.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

using qimtest::text;
using qimtest::utf8;

// A mistyped, missing or shifted text, in the table or in the catalog built from it.
TEST(DefaultMessageSetTest, TextsMatchTheCopyAndTheBuiltCatalog) {
    const nl_catd catalog = catopen(QIM_CATALOG_FILE, NL_CAT_LOCALE);
    ASSERT_NE(catalog, reinterpret_cast<nl_catd>(-1));
    int number = 0;
    for (const std::string& line : qimtest::readLines(QIM_DEFAULT_MESSAGES_FILE)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::string copy; // "<number>\t<text>", with \n and \" in the text
        for (std::size_t i = line.find('\t') + 1; i < line.size(); ++i)
            copy += line[i] != '\\' ? line[i] : line[++i] == 'n' ? '\n' : line[i];
        ASSERT_EQ(std::stoi(line), ++number);
        EXPECT_STREQ(zormsgMessageSet[1][number], copy.c_str()) << number;
        EXPECT_STREQ(catgets(catalog, 1, number, "\x01"), copy.c_str()) << number;
    }
    EXPECT_EQ(zormsgSetSizes[1], number);
    EXPECT_STREQ(catgets(catalog, 1, 347, "\x01"), "\x01"); // nothing beyond the table
    EXPECT_STREQ(catgets(catalog, 2, 1, "\x01"), "\x01");
    catclose(catalog);
}

// "given expected", "!" before the name that a rejected locale leaves.
TEST(CatalogLocaleTest, NormalisesOrRejects) {
    for (const std::string row :
         {"de_at.ISO8859-1 de_AT", "DE de", "Fr_fr fr_FR", "de.UTF-8 de", "de_DE@euro !de_DE@",
          "POSIX !POSIX", "C.UTF-8 !C", "_e !_e", "d_ !d_", "de_A_ !de_A_", "de__T !de__T",
          "deu !deu", " !", "\xC4\xE4_\xE4x \xC4\xE4_\xE4X"}) {
        CatalogLocaleName name;
        const bool valid = normalizeCatalogLocale(row.substr(0, row.find(' ')).c_str(), name);
        EXPECT_EQ((valid ? "" : "!") + std::string(name), row.substr(row.find(' ') + 1));
    }
    CatalogLocaleName name;
    EXPECT_FALSE(normalizeCatalogLocale(nullptr, name) || name[0] != '\0');
}

// The number, the flags, the trailer and the inserts of a message.
std::string flags(const ZOR_Message& message) {
    std::string result = std::to_string(message.number()) + (message.isNumbered() ? "n" : "") +
                         (message.isEmpty() ? "e" : "") + (message.isResolved() ? "r" : "") +
                         text(message.trailer());
    for (unsigned int i = 0; i < message.insertCount(); ++i)
        result += "," + text(message.insert(i));
    return result + " ";
}

// The flags, the copies of the inserts, the text resolved once, the lookups of a server without
// a catalog (empty outside the table), the options of display().
TEST(ZOR_MessageTest, Behaviour) {
    ZOR_Message emptied(274u), dropped(274u), zero(274u);
    emptied.set_trailer(utf8("+"));
    emptied.set_text(EncodedString()); // the trailer goes too
    dropped.set_id(0x80000021u);
    zero.set_id(0u);
    EXPECT_EQ(flags(ZOR_Message()) + flags(ZOR_Message(utf8("x"))) + flags(emptied), "0er 0r 0er ");
    EXPECT_EQ(flags(ZOR_Message(0xC0000112u)) + flags(dropped) + flags(zero), "274n 0e 0e ");
    EXPECT_EQ(flags(ZOR_Message(0x1FFFFFFFu)) + flags(ZOR_Message(0x20000000u)),
              "536870911n 536870912 "); // bit 29 is the sign

    std::vector<EncodedString> texts;
    List<const EncodedString*> list;
    for (int i = 1; i <= 12; ++i)
        texts.push_back(EncodedString::number(i));
    for (const EncodedString& insert : texts)
        list.append(&insert);
    auto* original = new ZOR_Message(51u, list); // a list has no limit
    ZOR_Message copy(*original), assigned, message(274u);
    assigned = *original;
    delete original;
    EXPECT_EQ(flags(copy) + flags(assigned),
              "51n,1,2,3,4,5,6,7,8,9,10,11,12 51n,1,2,3,4,5,6,7,8,9,10,11,12 ");
    message.set_inserts(&texts[0], &texts[1], &texts[2], &texts[3], &texts[4], &texts[5], &texts[6],
                        &texts[7], &texts[8], &texts[9], nullptr);
    EXPECT_EQ(flags(message), "274n,1,2,3,4,5,6,7,8,9 "); // nine at most
    message.set_inserts(&message.insert(8), &message.insert(0), nullptr, &texts[2]);
    EXPECT_EQ(flags(message), "274n,9,1 "); // its own inserts, up to the null
    message.set_inserts(nullptr);
    EXPECT_EQ(flags(message), "274n ");

    message.set_id(1u);
    message.set_trailer(utf8("+"));
    const std::string first = text(message.text());
    message.set_trailer(utf8("-"));
    EXPECT_EQ(first + text(message.text()), "Unknown+Unknown+"); // resolved once
    message.set_id(347u); // beyond the table: no text but the trailer
    EXPECT_EQ(text(message.text()), "-");

    const XPG4MsgServer server("C", "pex", zormsgMessageSet, zormsgSetSizes);
    EXPECT_EQ(text(server.getText(1, 33)) + text(server.getBytes(1, 1)),
              "Invalid expression.Unknown");
    const int outside[][2] = {{0, 1}, {2, 1}, {-1, 1}, {1, 0}, {1, -5}, {1, 347}};
    for (const auto& [set, number] : outside)
        EXPECT_EQ(text(server.getText(set, number)) + text(server.getBytes(set, number)), "");

    const qimtest::ChildResult result = qimtest::runInChild([] {
        ZOR_Message(utf8("1")).display(ZOR_Message::toStandardError);
        ZOR_Message(utf8("6")).display(ZOR_Message::blankLineBefore | ZOR_Message::blankLineAfter);
        ZOR_Message().display(0);
        return 0;
    });
    EXPECT_EQ(result.out + "|" + result.err, "\n6\n\n\n|1\n");
}

// Each row: the catalogs of an installation ("!": cut short by a byte), the probe's argument,
// LC_ALL and the output. The probe's inserts are "%2" and "ü".
TEST(CatalogSearchTest, Table) {
    const char* const rows[][4] = {
        {"", "de_AT", "", "C C Invalid expression.\n"},
        {"msg/de_AT nls/de_AT", "de_at.ISO8859-1", "", "C C %1%2msg/de_AT\n"}, // cut, cased
        {"msg/de", "DE", "", "C C %1%2msg/de\n"},
        {"nls/de_AT", "de_at.UTF-8", "", "C C %1%2nls/de_AT\n"},  // %L: the normalised locale
        {"nls/de_DE nls/de", "de_AT", "", "C C %1%2nls/de_DE\n"}, // known locales in order
        {"nls/de", "de_at.ISO8859-1", "", "C C %1%2nls/de\n"},    // the locale put back
        {"msg/C nls/C", "C", "", "C C %1%2nls/C\n"},              // only the last step
        {"nls/de_AT.UTF-8", "de_AT.UTF-8", "", "C C %1%2nls/de_AT.UTF-8\n"}, // last: as given
        {"msg/de_DE", "-", "de_DE", "de_DE de_DE %1%2msg/de_DE\n"},
        {"!msg/de_AT nls/de_AT", "de_AT", "", "C C %1%2nls/de_AT\n"},
        // text() asks the en_US catalog, display() the process's message locale; each insert
        // replaces the first placeholder of its number in the text as it stands.
        {"msg/en_US nls/de_DE", "text", "de_DE", "\xC3\xBC%2msg/en_US|\xC3\xBC%2nls/de_DE\n"},
        // Reopened along a new NLSPATH; display() writes "ü" in ASCII, the native code set.
        {"nls", "reopen", "", "Invalid expression.|\xC3\xBC%2nls|??%2nls\n"},
    };
    qimtest::TemporaryDirectory directory;
    const std::string locpath = directory.file("locales");
    for (const char* locale : {"de_AT", "de_DE", "de"})
        ASSERT_TRUE(qimtest::makeLocale(locpath, locale, "de_DE"));
    for (const auto& row : rows) {
        const std::string home = directory.file(std::to_string(&row - rows));
        std::filesystem::create_directories(home + "/bin");
        std::filesystem::copy_file(QIM_MESSAGE_PROBE, home + "/bin/probe");
        std::istringstream catalogs(row[0]);
        for (std::string place; catalogs >> place;) {
            const std::string file = home + "/" + place.substr(place[0] == '!') + "/qimpex1.cat";
            ASSERT_TRUE(qimtest::makeCatalog(
                file, qimtest::catalogSource({{1, "-"}, {33, "%1%2" + place}})));
            if (place[0] == '!')
                std::filesystem::resize_file(file, std::filesystem::file_size(file) - 1);
        }
        const qimtest::ChildResult result =
            qimtest::runProgram(home + "/bin/probe", {row[1]},
                                {"NLSPATH=" + home + "/nls/%L/%N", "LOCPATH=" + locpath,
                                 "LC_ALL=" + std::string(row[2])});
        EXPECT_EQ(result.out, row[3]) << row[0] << result.err;
    }
}

} // namespace
