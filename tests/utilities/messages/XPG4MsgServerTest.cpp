//===- tests/utilities/messages/XPG4MsgServerTest.cpp - Lookups and locale names -*- C++ -*-===//
//
// Lookups of a server without a catalog, whose texts are the default ones, and the
// spelling of catalog locales. The search itself is tested in processes of their own.
//
//===----------------------------------------------------------------------------===//
#include "utilities/messages/XPG4MsgServer.h"
#include "utilities/messages/CatalogLocale.h"
#include "utilities/messages/DefaultMessageSet.h"
#include "utilities/messages/ZOR_Message.h"

#include "tests/support/StringText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <memory>
#include <string>

namespace {

using qimtest::text;

std::unique_ptr<XPG4MsgServer> serverWithoutCatalog() {
    std::unique_ptr<XPG4MsgServer> server(ZOR_Message::createServer("C"));
    EXPECT_FALSE(server->hasCatalog());
    return server;
}

TEST(XPG4MsgServerTest, WithoutCatalogTheDefaultTextsAnswer) {
    const auto server = serverWithoutCatalog();
    EXPECT_EQ(text(server->getText(1, 33)), "Invalid expression.");
    EXPECT_EQ(text(server->getText(1, 1)), "Unknown");
    EXPECT_EQ(text(server->getText(1, 346)), zormsgMessageSet[1][346]);
    EXPECT_EQ(text(server->getBytes(1, 241)), zormsgMessageSet[1][241]);
}

TEST(XPG4MsgServerTest, LookupsOutsideTheTableAreEmpty) {
    const auto server = serverWithoutCatalog();
    const int outside[][2] = {{0, 1}, {2, 1}, {-1, 1}, {1, 0}, {1, -5}, {1, 347}, {1, 1 << 30}};
    for (const auto& [set, number] : outside) {
        EXPECT_EQ(server->getText(set, number).length(), 0u) << set << "/" << number;
        EXPECT_EQ(server->getBytes(set, number).length(), 0u) << set << "/" << number;
    }
    EXPECT_EQ(server->getText(1, 196).length(), 0u);
}

TEST(XPG4MsgServerTest, ConstructionKeepsTheMessageLocale) {
    const std::string before = std::setlocale(LC_MESSAGES, nullptr);
    for (const char* locale : {"de_at.ISO8859-1", "fr", "C", "", "x"})
        XPG4MsgServer(locale, "pex", zormsgMessageSet, zormsgSetSizes);
    EXPECT_EQ(std::setlocale(LC_MESSAGES, nullptr), before);
}

struct LocaleCase {
    const char* label;
    const char* given;
    bool valid;
    const char* name;
};

void PrintTo(const LocaleCase& value, std::ostream* out) {
    *out << value.label;
}

class CatalogLocaleTest : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(CatalogLocaleTest, NormalisesOrRejects) {
    const LocaleCase& c = GetParam();
    CatalogLocaleName name;
    EXPECT_EQ(normalizeCatalogLocale(c.given, name), c.valid) << c.given;
    EXPECT_STREQ(name, c.name) << c.given;
}

INSTANTIATE_TEST_SUITE_P(
    Names, CatalogLocaleTest,
    ::testing::Values(LocaleCase{"CodeSetCut", "de_at.ISO8859-1", true, "de_AT"},
                      LocaleCase{"UTF8CodeSetCut", "en_US.UTF-8", true, "en_US"},
                      LocaleCase{"LanguageLowered", "DE", true, "de"},
                      LocaleCase{"BothCasesFixed", "Fr_fr", true, "fr_FR"},
                      LocaleCase{"LanguageWithCodeSet", "de.UTF-8", true, "de"},
                      // Cut at six characters: a modifier makes the name too long.
                      LocaleCase{"ModifierMakesItTooLong", "de_DE@euro", false, "de_DE@"},
                      LocaleCase{"Posix", "POSIX", false, "POSIX"},
                      LocaleCase{"C", "C", false, "C"},
                      LocaleCase{"CWithCodeSet", "C.UTF-8", false, "C"},
                      LocaleCase{"Empty", "", false, ""},
                      LocaleCase{"UnderscoreFirst", "_e", false, "_e"},
                      LocaleCase{"UnderscoreSecond", "d_", false, "d_"},
                      LocaleCase{"UnderscoreInTerritory", "de_A_", false, "de_A_"},
                      LocaleCase{"DoubleUnderscore", "de__T", false, "de__T"},
                      LocaleCase{"ThreeLetters", "deu", false, "deu"},
                      // Bytes above 0x7F are not letters to change.
                      LocaleCase{"HighBytesUnchanged", "\xC4\xE4_\xE4x", true, "\xC4\xE4_\xE4X"}),
    [](const ::testing::TestParamInfo<LocaleCase>& info) { return info.param.label; });

TEST(CatalogLocaleTableTest, LanguagesAreTriedInTableOrder) {
    ASSERT_EQ(catalogLocaleCount(), 46u);
    EXPECT_STREQ(catalogLocale(0), "af_ZA");
    EXPECT_STREQ(catalogLocale(45), "zh");
    std::string german;
    for (unsigned int i = 0; i < catalogLocaleCount(); ++i)
        if (std::strncmp(catalogLocale(i), "de", 2) == 0)
            german += std::string(catalogLocale(i)) + " ";
    EXPECT_EQ(german, "de_DE de ");
}

TEST(CatalogLocaleTest, NullLocaleIsRejected) {
    CatalogLocaleName name;
    EXPECT_FALSE(normalizeCatalogLocale(nullptr, name));
    EXPECT_STREQ(name, "");
}

} // namespace
