//===- tests/man/ManPageTest.cpp - The manual pages against the code ------===//
//
// A manual page falls behind when the code learns a keyword, an option or an exit status
// that the page does not name, or drops one that the page still names. Each page is
// formatted as man shows it, and its sections are compared with what the code itself
// lists: the shell's keyword table, exit statuses, message and file names; qimmaster's
// usage text and exit statuses.
//
//===----------------------------------------------------------------------------===//
#include "shell/LaunchParameters.h"
#include "shell/LaunchSequence.h"
#include "shell/ShellExitStatus.h"
#include "shell/StartSignal.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TextLines.h"
#include "tools/qimmaster/MasterError.h"
#include "tools/qimmaster/Options.h"
#include "utilities/messages/DefaultMessageSet.h"
#include "utilities/settings/EnvironmentNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

using Names = std::set<std::string>;
using Lines = std::vector<std::string>;

/// Where man puts a section's text and a tagged paragraph's tag, and the tag's text.
constexpr std::size_t tagIndent = 7;
constexpr std::size_t textIndent = 14;

std::size_t indentOf(const std::string& line) {
    return line.find_first_not_of(' ');
}

/// Every run of white space as one blank, so that texts compare across line breaks.
std::string words(const std::string& text) {
    return qimtest::withoutBlanks(std::regex_replace(text, std::regex("\\s+"), " "));
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string manPagePath(const std::string& name) {
    return std::string(QIM_MAN_DIR) + "/" + name + ".1";
}

/// A manual page as man shows it on a terminal, without hyphenation, by section.
class ManPage {
public:
    explicit ManPage(const std::string& name) {
        const qimtest::ChildResult groff = qimtest::runProgram(
            QIM_GROFF, {"-man", "-Tascii", "-P-cbou", "-rHY=0", manPagePath(name)}, {});
        EXPECT_EQ(groff.exitCode(), 0) << groff.err;
        Lines* section = nullptr;
        for (const std::string& line : qimtest::splitLines(groff.out)) {
            if (std::regex_match(line, std::regex("[A-Z][A-Z ]*")))
                section = &_sections[line];
            else if (section != nullptr)
                section->push_back(line);
        }
    }

    /// The text of the section `heading` as words.
    std::string text(const std::string& heading) const {
        std::string joined;
        for (const std::string& line : lines(heading))
            joined += line + " ";
        return words(joined);
    }

    /// The tags of the section's tagged paragraphs. A tag stands at the section's indent
    /// with its paragraph's text deeper in; a short tag shares its line with that text.
    Lines tags(const std::string& heading) const {
        const Lines& section = lines(heading);
        Lines found;
        for (std::size_t i = 0; i < section.size(); ++i) {
            if (indentOf(section[i]) != tagIndent ||
                (i > 0 && !qimtest::withoutBlanks(section[i - 1]).empty()))
                continue;
            std::size_t end = i;
            while (end < section.size() && indentOf(section[end]) == tagIndent)
                ++end;
            const bool textFollows = end < section.size() && indentOf(section[end]) == textIndent;
            const bool shortTagAlone = end == i + 1 && section[i].size() > textIndent &&
                                       section[i].compare(textIndent - 2, 2, "  ") == 0;
            if (textFollows || shortTagAlone)
                for (std::size_t tag = i; tag < end; ++tag)
                    found.push_back(tagOf(section[tag]));
        }
        return found;
    }

private:
    const Lines& lines(const std::string& heading) const {
        static const Lines none;
        const auto section = _sections.find(heading);
        return section == _sections.end() ? none : section->second;
    }

    static std::string tagOf(const std::string& line) {
        const bool sharesItsLine = line.size() > textIndent && line[textIndent - 1] == ' ';
        return qimtest::withoutBlanks(sharesItsLine ? line.substr(0, textIndent) : line);
    }

    std::map<std::string, Lines> _sections;
};

// --- qimshell(1) ---------------------------------------------------------------------------

Lines shellKeywords() {
    Lines keywords;
    for (const CharString* keyword : parameterKeywords())
        keywords.push_back(keyword->encoded().buffer());
    return keywords;
}

// A keyword added to the shell, or dropped from it, and a page that does not follow: the
// options, the synopsis and the order in which arguments are tested all tell.
TEST(QimshellManPageTest, OptionsAndSynopsisNameEveryKeywordTheShellTests) {
    const ManPage page("qimshell");
    const Lines keywords = shellKeywords();
    ASSERT_EQ(keywords.size(), 6u);
    Names documented;
    for (const std::string& tag : page.tags("OPTIONS"))
        documented.insert(tag.substr(0, tag.find('=')));
    EXPECT_EQ(documented, Names(keywords.begin(), keywords.end()));

    const std::string synopsis = " " + page.text("SYNOPSIS") + " ";
    std::string order;
    for (const std::string& keyword : keywords) {
        const std::string form = keyword == "--" ? keyword + " " : keyword + "=";
        EXPECT_TRUE(synopsis.find(" " + form) != std::string::npos ||
                    synopsis.find("[" + form) != std::string::npos)
            << keyword;
        order += (order.empty() ? "" : ", ") + keyword;
    }
    EXPECT_NE(page.text("DESCRIPTION").find("in this order: " + order + ";"), std::string::npos)
        << order;
}

// main returns the parent's result, 0 or -1 (which its waiter sees as 255); the child ends
// with the two others.
TEST(QimshellManPageTest, ExitStatusNamesEveryStatusTheShellEndsWith) {
    const ManPage page("qimshell");
    const Lines tags = page.tags("EXIT STATUS");
    const Names statuses{std::to_string(masterEndedStatus), std::to_string(shellGaveUpStatus),
                         std::to_string(execFailedStatus), std::to_string(masterGoneStatus)};
    EXPECT_EQ(Names(tags.begin(), tags.end()), statuses);
    EXPECT_EQ(tags.size(), statuses.size()) << "a status named twice";
}

// The message of a failed exec, word for word, and in the page's source with its own
// blanks, since a person compares it with what the shell printed.
TEST(QimshellManPageTest, DiagnosticsQuoteTheMessageOfAFailedExec) {
    const std::string message = zormsgMessageSet[1][execFailedMessage];
    ASSERT_NE(message.find("%1"), std::string::npos);
    const ManPage page("qimshell");
    EXPECT_NE(page.text("DIAGNOSTICS").find("\"" + words(message) + "\""), std::string::npos);
    EXPECT_NE(page.text("DIAGNOSTICS").find("message " + std::to_string(execFailedMessage)),
              std::string::npos);
    EXPECT_NE(qimtest::readFile(manPagePath("qimshell")).find(message), std::string::npos);
}

// The names that a person looks for on the system: the catalog and its source, the trace
// variable, the signal of the handshake and the flag bit of the press-enter mode.
TEST(QimshellManPageTest, NamesTheFilesSignalAndVariableTheShellUses) {
    const ManPage page("qimshell");
    EncodedString catalog;
    fabricateName(catalog, L"pex");
    const Lines files = page.tags("FILES");
    for (const char* extension : {".cat", ".msg"})
        EXPECT_NE(std::find(files.begin(), files.end(),
                            "dir/msg/en_US/" + std::string(catalog.buffer()) + extension),
                  files.end())
            << extension;

    const Lines variables = page.tags("ENVIRONMENT");
    const std::string traceVariable = std::string(getEnvnamePrefix().buffer()) + "TRACE";
    EXPECT_NE(std::find(variables.begin(), variables.end(), traceVariable), variables.end());

    const std::string signal =
        "SIG" + std::string(sigabbrev_np(startSignal)) + " (" + std::to_string(startSignal) + ")";
    EXPECT_NE(page.text("HANDSHAKE").find(signal), std::string::npos) << signal;
    EXPECT_NE(page.text("OPTIONS").find("bit of value " + std::to_string(waitForEnterFlag)),
              std::string::npos);
}

// --- qimmaster(1) --------------------------------------------------------------------------

/// The lines of the usage text's block `title` ("Options:"), up to the blank line after it.
Lines usageBlock(const std::string& title) {
    const Lines usage = qimtest::splitLines(qimmaster::usageText());
    auto line = std::find(usage.begin(), usage.end(), title);
    Lines block;
    while (line != usage.end() && ++line != usage.end() && !line->empty())
        block.push_back(*line);
    return block;
}

/// The options named in `text`: its words that begin with a dash, "--" left out.
Names optionsIn(const std::string& text) {
    Names options;
    const std::regex option("(^|[ [|])(--?[a-z][-a-z]*)");
    for (auto match = std::sregex_iterator(text.begin(), text.end(), option);
         match != std::sregex_iterator(); ++match)
        options.insert((*match)[2]);
    return options;
}

// Every option that --help lists has its entry in the page and its place in the synopsis,
// and the page names no option that qimmaster does not have.
TEST(QimmasterManPageTest, OptionsAndSynopsisNameEveryOptionOfTheUsageText) {
    Names usageOptions;
    for (const std::string& line : usageBlock("Options:"))
        if (line.compare(0, 3, "  -") == 0)
            for (const std::string& option : optionsIn(line.substr(0, line.find("  ", 2))))
                usageOptions.insert(option);
    ASSERT_GE(usageOptions.size(), 8u);

    const ManPage page("qimmaster");
    Names documented;
    for (const std::string& tag : page.tags("OPTIONS"))
        for (const std::string& option : optionsIn(tag))
            documented.insert(option);
    EXPECT_EQ(documented, usageOptions);
    EXPECT_EQ(optionsIn(page.text("SYNOPSIS")), usageOptions);
}

// The exit statuses of --help, qimmaster's own among them, each with its entry.
TEST(QimmasterManPageTest, ExitStatusNamesEveryStatusOfTheUsageText) {
    Names usageStatuses;
    const std::regex status("  (\\S+( \\+ \\S+)?)  .*");
    std::smatch match;
    for (const std::string& line : usageBlock("Exit status:"))
        if (std::regex_match(line, match, status))
            usageStatuses.insert(lowerCase(match[1]));
    for (const int own : {qimmaster::masterFailureStatus, qimmaster::execFailureStatus})
        EXPECT_EQ(usageStatuses.count(std::to_string(own)), 1u) << own;
    EXPECT_EQ(usageStatuses.count(std::to_string(qimmaster::signalStatusBase) + " + n"), 1u);

    const ManPage page("qimmaster");
    Names documented;
    for (const std::string& tag : page.tags("EXIT STATUS"))
        documented.insert(lowerCase(tag));
    EXPECT_EQ(documented, usageStatuses);
}

} // namespace
