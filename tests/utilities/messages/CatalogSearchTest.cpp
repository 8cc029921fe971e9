//===- tests/utilities/messages/CatalogSearchTest.cpp - Finding the catalog -*- C++ -*-===//
//
// Each step of the catalog search, with real catalogs made by gencat, real locales made
// by localedef into the test's own LOCPATH, and a program that runs from an installation
// of the test's own making. Every catalog carries a tag, so that a text tells which file
// it came from.
//
//===----------------------------------------------------------------------------===//
#include "tests/support/ChildProcess.h"
#include "tests/support/MessageCatalogs.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using qimtest::ChildResult;

const std::string invalidExpression = "Invalid expression.";

std::string taggedInvalidExpression(const std::string& tag) {
    return "Ung\xC3\xBCltiger Ausdruck. [" + tag + "]";
}

class CatalogSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Other users (the unprivileged child of one test) must reach the probe.
        chmod(_directory.path().c_str(), 0755);
        std::filesystem::create_directories(installation() + "/bin");
        std::filesystem::copy_file(QIM_MESSAGE_PROBE, probe());
    }

    std::string installation() const { return _directory.file("opt/tool"); }
    std::string probe() const { return installation() + "/bin/message_probe"; }
    std::string locales() const { return _directory.file("locales"); }
    std::string nls() const { return _directory.file("nls"); }
    std::string nlspath() const { return "NLSPATH=" + nls() + "/%L/%N"; }
    std::string locpath() const { return "LOCPATH=" + locales(); }

    /// A translated catalog whose texts carry `tag`, at `path`.
    void makeTaggedCatalog(const std::string& path, const std::string& tag) {
        const std::string source = qimtest::catalogSource(
            {{33, taggedInvalidExpression(tag)},
             {274, "Laden von %1 fehlgeschlagen, Fehler %2. [" + tag + "]"}});
        ASSERT_TRUE(qimtest::makeCatalog(path, source));
    }
    void makeInstalledCatalog(const std::string& locale) {
        makeTaggedCatalog(installation() + "/msg/" + locale + "/qimpex1.cat", "msg " + locale);
    }
    void makeNlspathCatalog(const std::string& locale) {
        makeTaggedCatalog(nls() + "/" + locale + "/qimpex1.cat", "nls " + locale);
    }
    void makeLocale(const std::string& name, const std::string& definition = "de_DE") {
        ASSERT_TRUE(qimtest::makeLocale(locales(), name, definition));
    }

    /// Runs the probe's "server" command and returns its output lines, checking that it
    /// ended well.
    std::vector<std::string> lookUp(const std::string& locale,
                                    const std::vector<std::string>& environment,
                                    const std::string& number = "33") {
        const ChildResult result =
            qimtest::runProgram(probe(), {"server", locale, number}, environment);
        EXPECT_EQ(result.exitCode(), 0) << result.err;
        return qimtest::splitLines(result.out);
    }

    qimtest::TemporaryDirectory _directory;
};

std::string valueOf(const std::vector<std::string>& lines, const std::string& key) {
    for (const std::string& line : lines)
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    return "(missing " + key + ")";
}

TEST_F(CatalogSearchTest, NoCatalogAnywhereGivesTheDefaultText) {
    const std::vector<std::string> lines = lookUp("de_AT", {nlspath()});
    EXPECT_EQ(valueOf(lines, "catalog"), "0");
    EXPECT_EQ(valueOf(lines, "text"), invalidExpression);
}

// The locale is cut at its code set and brought to the directory's spelling, de_AT.
TEST_F(CatalogSearchTest, InstalledCatalogIsFoundUnderTheNormalisedLocale) {
    makeInstalledCatalog("de_AT");
    const std::vector<std::string> lines = lookUp("de_at.ISO8859-1", {});
    EXPECT_EQ(valueOf(lines, "catalog"), "1");
    EXPECT_EQ(valueOf(lines, "text"), taggedInvalidExpression("msg de_AT"));
}

TEST_F(CatalogSearchTest, TwoLetterLocaleIsLowerCasedForTheInstalledCatalog) {
    makeInstalledCatalog("de");
    EXPECT_EQ(valueOf(lookUp("DE", {}), "text"), taggedInvalidExpression("msg de"));
}

TEST_F(CatalogSearchTest, InstalledCatalogComesBeforeNlspath) {
    makeInstalledCatalog("de_AT");
    makeLocale("de_AT");
    makeNlspathCatalog("de_AT");
    EXPECT_EQ(valueOf(lookUp("de_AT", {nlspath(), locpath()}), "text"),
              taggedInvalidExpression("msg de_AT"));
}

// NLSPATH's %L is the message locale that the search has just set.
TEST_F(CatalogSearchTest, NlspathIsSearchedUnderTheNormalisedLocale) {
    makeLocale("de_AT");
    makeNlspathCatalog("de_AT");
    EXPECT_EQ(valueOf(lookUp("de_at.UTF-8", {nlspath(), locpath()}), "text"),
              taggedInvalidExpression("nls de_AT"));
}

// de_AT has no catalog: the known locales of the language follow, de_DE before de.
TEST_F(CatalogSearchTest, LanguageWalkTriesDeDEBeforeDe) {
    makeLocale("de_DE");
    makeLocale("de");
    makeNlspathCatalog("de_DE");
    makeNlspathCatalog("de");
    EXPECT_EQ(valueOf(lookUp("de_AT", {nlspath(), locpath()}), "text"),
              taggedInvalidExpression("nls de_DE"));
}

TEST_F(CatalogSearchTest, LanguageWalkEndsAtDe) {
    makeLocale("de_DE");
    makeLocale("de");
    makeNlspathCatalog("de");
    const std::vector<std::string> lines = lookUp("de_at.ISO8859-1", {nlspath(), locpath()});
    EXPECT_EQ(valueOf(lines, "text"), taggedInvalidExpression("nls de"));
    EXPECT_EQ(valueOf(lines, "after"), "C") << "the message locale was not put back";
}

// "C" is neither a language nor a language and territory: only the last step runs, under
// the locale as given, and the installation is not searched.
TEST_F(CatalogSearchTest, LocaleOfAnotherLengthSkipsToTheLastStep) {
    makeInstalledCatalog("C");
    makeNlspathCatalog("C");
    EXPECT_EQ(valueOf(lookUp("C", {nlspath()}), "text"), taggedInvalidExpression("nls C"));
}

TEST_F(CatalogSearchTest, NoLocaleGivenTakesTheProcessMessageLocale) {
    makeLocale("de_DE");
    makeInstalledCatalog("de_DE");
    const std::vector<std::string> lines = lookUp("-", {locpath(), "LC_ALL=de_DE"});
    EXPECT_EQ(valueOf(lines, "text"), taggedInvalidExpression("msg de_DE"));
    EXPECT_EQ(valueOf(lines, "before"), "de_DE");
    EXPECT_EQ(valueOf(lines, "after"), "de_DE");
}

TEST_F(CatalogSearchTest, FileThatIsNotACatalogIsPassedOver) {
    std::filesystem::create_directories(installation() + "/msg/de_AT");
    std::ofstream(installation() + "/msg/de_AT/qimpex1.cat") << "not a catalog\n";
    makeLocale("de_AT");
    makeNlspathCatalog("de_AT");
    EXPECT_EQ(valueOf(lookUp("de_AT", {nlspath(), locpath()}), "text"),
              taggedInvalidExpression("nls de_AT"));
}

TEST_F(CatalogSearchTest, UnreadableCatalogGivesTheDefaultText) {
    makeInstalledCatalog("de_AT");
    chmod((installation() + "/msg/de_AT/qimpex1.cat").c_str(), 0);
    const std::string program = probe();
    const ChildResult result = qimtest::runInChild([&program] {
        if (!qimtest::dropRootPrivileges())
            return 3;
        char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("server"),
                              const_cast<char*>("de_AT"), const_cast<char*>("33"), nullptr};
        char* const envp[] = {nullptr};
        execve(program.c_str(), argv, envp);
        return 4;
    });
    ASSERT_EQ(result.exitCode(), 0) << result.err;
    EXPECT_EQ(valueOf(qimtest::splitLines(result.out), "text"), invalidExpression);
}

TEST_F(CatalogSearchTest, HugeNlspathGivesTheDefaultText) {
    std::string huge = "NLSPATH=";
    while (huge.size() < 120000)
        huge += nls() + "/%L/%N:";
    const std::vector<std::string> lines = lookUp("de_AT", {huge});
    EXPECT_EQ(valueOf(lines, "catalog"), "0");
    EXPECT_EQ(valueOf(lines, "text"), invalidExpression);
}

// ZOR_Message::text() asks the en_US catalog, with the inserts in place.
TEST_F(CatalogSearchTest, MessageTextComesFromTheEnUSCatalog) {
    makeInstalledCatalog("en_US");
    const ChildResult result = qimtest::runProgram(probe(), {"text", "274", "/bin/prog", "2"}, {});
    EXPECT_EQ(result.out, "text=Laden von /bin/prog fehlgeschlagen, Fehler 2. [msg en_US]\n");
}

// The shell reopens the catalog after it has changed its environment.
TEST_F(CatalogSearchTest, SetMessageFileSearchesAgain) {
    makeTaggedCatalog(nls() + "/qimpex1.cat", "reopened");
    const ChildResult result = qimtest::runProgram(probe(), {"reopen", "33", nls() + "/%N"}, {});
    EXPECT_EQ(result.out,
              "text=" + invalidExpression + "\ntext=" + taggedInvalidExpression("reopened") + "\n");
}

// display() follows the process's message locale, not en_US.
TEST_F(CatalogSearchTest, DisplayUsesTheProcessMessageLocale) {
    makeLocale("de_DE");
    makeNlspathCatalog("de_DE");
    const ChildResult result = qimtest::runProgram(probe(), {"display", "0", "274", "prog", "2"},
                                                   {nlspath(), locpath(), "LC_ALL=de_DE"});
    EXPECT_EQ(result.out, "Laden von prog fehlgeschlagen, Fehler 2. [nls de_DE]\n");
}

} // namespace
