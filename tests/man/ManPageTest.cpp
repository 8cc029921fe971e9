//===- tests/man/ManPageTest.cpp - The manual pages against the code ------===//
//
// A manual page falls behind when the code learns a keyword, an option or an exit status
// that the page does not name, or drops one that the page still names. Each page is
// formatted as man shows it and cut into its sections; each row takes the names out of a
// section with a pattern and compares them with what the code lists: the shell's keyword
// table, exit statuses, message, file, variable and signal; qimmaster's usage text.
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
#include <cstring>
#include <map>
#include <regex>
#include <set>

namespace {

using Names = std::set<std::string>;
using Sections = std::map<std::string, std::string>;
using std::to_string;

/// The tags of a page's tagged paragraphs (up to any "=value"), whose text is deeper in;
/// the tags of a usage text's lists, the words before two blanks.
const std::string tag = R"(\n {7}(\S.*?)(?:=\S*)?(?: {2,}\S.*)?(?=\n {14}\S))";
const std::string usageTag = R"(\n  (\S+(?: \S+)*?)  )";

/// The lines after each heading (a page's "EXIT STATUS", a usage text's "options:").
Sections sections(const std::string& text) {
    Sections found;
    std::string* section = &found[""];
    for (const std::string& line : qimtest::splitLines(text))
        if (std::regex_match(line, std::regex("[A-Z][A-Z ]*|[a-z][a-z ]*:")))
            section = &found[line];
        else
            *section += "\n" + line;
    return found;
}

Sections manPage(const std::string& page) {
    return sections(qimtest::runProgram(QIM_GROFF, {"-man", "-Tascii", "-P-cbou", page}, {}).out);
}

/// The first groups of the matches of `pattern` in `text`, a line break and its indent as
/// one blank.
Names names(const std::string& text, const std::string& pattern) {
    Names found;
    const std::regex regex(pattern);
    for (std::sregex_iterator match(text.begin(), text.end(), regex), end; match != end; ++match)
        found.insert(std::regex_replace(match->str(1), std::regex("\n *"), " "));
    return found;
}

TEST(ManPageTest, PagesNameWhatTheCodeHas) {
    Sections shell = manPage(QIM_MAN_DIR "/qimshell.1");
    Sections master = manPage(QIM_MAN_DIR "/qimmaster.1");
    std::string usageText = qimmaster::usageText(); // a page writes "n" where --help has "N"
    std::transform(usageText.begin(), usageText.end(), usageText.begin(), ::tolower);
    Sections usage = sections(usageText);
    std::string order; // the keywords in the order that the shell tests them
    for (const CharString* keyword : parameterKeywords())
        order += (order.empty() ? "" : ", ") + std::string(keyword->encoded().buffer());
    const Names keywords = names(order, "(--|-[A-Z_]+)");
    EncodedString catalog;
    const std::string catalogName = fabricateName(catalog, L"pex").buffer();
    const std::string option = R"((?:^|[ [|])(--?[a-z][-a-z]*))";
    const std::pair<Names, Names> rows[] = {
        // qimshell(1): a keyword added to the table, dropped or renamed, and not in OPTIONS,
        {names(shell["OPTIONS"], tag), keywords},
        // in the SYNOPSIS,
        {names(shell["SYNOPSIS"], R"([ [](--|-[A-Z_]+))"), keywords},
        // or in the order in which the shell tests the arguments;
        {names(shell["DESCRIPTION"], R"(in this order:\s+([^;]*);)"), {order}},
        // the press-enter bit and the exit statuses of the shell's processes;
        {names(shell["OPTIONS"], R"(bit of value (\d+))"), {to_string(waitForEnterFlag)}},
        {names(shell["EXIT STATUS"], tag),
         {to_string(masterEndedStatus), to_string(shellGaveUpStatus), to_string(execFailedStatus),
          to_string(masterGoneStatus)}},
        // the number and the text of the failed exec's message, blank for blank;
        {names(shell["DIAGNOSTICS"], R"(message (\d+))"), {to_string(execFailedMessage)}},
        {names(shell["DIAGNOSTICS"], R"re(\n {14}"([^"]*)")re"),
         {zormsgMessageSet[1][execFailedMessage]}},
        // the start signal, the trace variable and the catalog's files.
        {names(shell["HANDSHAKE"], R"((SIG[A-Z]+ \(\d+\)))"),
         {"SIG" + std::string(sigabbrev_np(startSignal)) + " (" + to_string(startSignal) + ")"}},
        {names(shell["ENVIRONMENT"], R"(\n {7}(\w+TRACE)\n)"),
         {getEnvnamePrefix().buffer() + std::string("TRACE")}},
        {names(shell["FILES"], R"(\n {7}dir/msg/en_US/(\S+))"),
         {catalogName + ".cat", catalogName + ".msg"}},
        // qimmaster(1): the options and statuses of --help, which names qimmaster's own.
        {names(master["OPTIONS"], tag), names(usage["options:"], usageTag)},
        {names(master["SYNOPSIS"], option), names(qimmaster::usageText(), option)},
        {names(master["EXIT STATUS"], tag), names(usage["exit status:"], usageTag)},
        {names(usage["exit status:"], usageTag),
         {"n", "0", to_string(qimmaster::execFailureStatus),
          to_string(qimmaster::masterFailureStatus),
          to_string(qimmaster::signalStatusBase) + " + n"}},
    };
    for (const auto& [found, expected] : rows)
        EXPECT_EQ(found, expected);
}

} // namespace
