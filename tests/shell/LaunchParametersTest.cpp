//===- tests/shell/LaunchParametersTest.cpp - The shell's command line ----===//
//
// Keyword matching on its own, and the parameter loop over whole command lines. The loop
// fills process-wide parameters, so each command line is read in a child process of its own.
//
//===----------------------------------------------------------------------------===//
#include "shell/LaunchParameters.h"

#include "tests/support/ChildProcess.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

namespace {

struct MatchCase {
    const wchar_t* parm;
    const wchar_t* keyword;
    unsigned int minLength;
    int exact;
    const wchar_t* separators;
    int matches;
    const wchar_t* after; ///< parm after the call
};

/// Printable ASCII as it is, anything else as \u{<decimal code>}: test names stay readable.
template <typename Unit>
std::string printable(const Unit* text) {
    std::string result;
    for (; text && *text; ++text) {
        const auto code = static_cast<std::make_unsigned_t<Unit>>(*text);
        if (code >= 0x20 && code < 0x7f)
            result += static_cast<char>(code);
        else
            result += "\\u{" + std::to_string(code) + "}";
    }
    return result;
}

void PrintTo(const MatchCase& c, std::ostream* out) {
    *out << printable(c.parm) << " vs " << printable(c.keyword) << " min " << c.minLength;
}

class CheckParameterTest : public ::testing::TestWithParam<MatchCase> {};

// Each row guards one step of the match: the minimum, the common part, abbreviations,
// the separator and the value that replaces the parameter.
TEST_P(CheckParameterTest, MatchesAndTakesTheValue) {
    const MatchCase& c = GetParam();
    CharString parm(c.parm);
    EXPECT_EQ(checkParameter(parm, c.keyword, c.minLength, c.exact, c.separators) != 0,
              c.matches != 0);
    EXPECT_EQ(printable(parm.buffer()), printable(c.after));
}

const MatchCase matchCases[] = {
    // parm, keyword, min, exact, separators, matches, parm after
    {L"-FLAGS=8", L"-FLAGS", 6, 1, L"=", 1, L"8"},
    {L"-FLAGS= 8", L"-FLAGS", 6, 1, L"=", 1, L" 8"},
    {L"-FLAGS=", L"-FLAGS", 6, 1, L"=", 1, L""},
    {L"-FLAGS", L"-FLAGS", 6, 1, L"=", 1, L"-FLAGS"},
    {L"-FLAGS==8", L"-FLAGS", 6, 1, L"=", 1, L"=8"},
    {L"-flags=8", L"-FLAGS", 6, 1, L"=", 0, L"-flags=8"},
    {L"-flags=8", L"-FLAGS", 6, 0, L"=", 1, L"8"},
    {L"-FLAG=8", L"-FLAGS", 6, 1, L"=", 0, L"-FLAG=8"},
    {L"-FLAGSX=8", L"-FLAGS", 6, 1, L"=", 0, L"-FLAGSX=8"},
    {L"-FLAGS:8", L"-FLAGS", 6, 1, L"=:", 1, L"8"},
    {L"-FLAGS=8", L"-FLAGS", 6, 1, nullptr, 0, L"-FLAGS=8"},
    {L"-FL", L"-FLAGS", 3, 1, L"=", 1, L"-FL"}, // an abbreviation of the minimum length
    {L"-F", L"-FLAGS", 3, 1, L"=", 0, L"-F"},   // shorter than the minimum
    {L"-FL=8", L"-FLAGS", 3, 1, L"=", 1, L"8"}, // an abbreviation takes a value as well
    {L"--", L"--", 2, 1, L"", 1, L"--"},
    {L"--x", L"--", 2, 1, L"", 0, L"--x"},
    {L"-", L"--", 2, 1, L"", 0, L"-"},
    {L"\u00c4=1", L"\u00e4", 1, 0, L"=", 0, L"\u00c4=1"}, // only ASCII letters fold
};

INSTANTIATE_TEST_SUITE_P(Rows, CheckParameterTest, ::testing::ValuesIn(matchCases));

/// What the parameter loop left behind, in one line, for comparison.
std::string scanned(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "qimshell");
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const ParameterScan scan = readParameters(static_cast<int>(arguments.size()), argv.data());
    return "flags " + std::to_string(scan.flagsGiven) + ":" + std::to_string(debug_flags) +
           " pid " + std::to_string(scan.pidGiven) + ":" + std::to_string(master_pid) + " key " +
           std::to_string(scan.keyGiven) + ":" + std::to_string(msg_key) + " index " +
           std::to_string(static_cast<int>(scan.debuggee_index)) + " lib [" +
           library_path_env.chars() + "] nls [" + nls_path_env.chars() + "]";
}

/// scanned() in a child process, where the launch parameters start from their defaults.
std::string scannedAfresh(const std::vector<std::string>& arguments) {
    return qimtest::runInChild([&] {
               std::fputs(scanned(arguments).c_str(), stdout);
               return 0;
           })
        .out;
}

struct LoopCase {
    std::vector<std::string> arguments;
    std::string expected;
};

void PrintTo(const LoopCase& c, std::ostream* out) {
    for (const std::string& argument : c.arguments)
        *out << printable(argument.c_str()) << ' ';
}

class ParameterLoopTest : public ::testing::TestWithParam<LoopCase> {};

TEST_P(ParameterLoopTest, ReadsEachCommandLine) {
    EXPECT_EQ(scannedAfresh(GetParam().arguments), GetParam().expected);
}

const LoopCase loopCases[] = {
    {{"-FLAGS=8", "-DEBUGGER_PID=77", "-KEY=1234", "--", "prog", "-KEY=5"},
     "flags 1:8 pid 1:77 key 1:1234 index 5 lib [] nls []"},
    // Values that begin with a number store it even when the rest makes them invalid.
    {{"-FLAGS=8x", "-KEY=5", "-KEY=7x"}, "flags 0:8 pid 0:0 key 1:7 index -1 lib [] nls []"},
    {{"-FLAGS= -3", "-DEBUGGER_PID=0x8"}, "flags 1:-3 pid 0:0 key 0:-1 index -1 lib [] nls []"},
    {{"-FLAGS=", "-FLAGS", "-FLAGS=8 "}, "flags 0:8 pid 0:0 key 0:-1 index -1 lib [] nls []"},
    // Numbers beyond an int are refused whole: nothing is stored.
    {{"-FLAGS=99999999999", "-KEY=-2147483648", "-DEBUGGER_PID=2147483648"},
     "flags 0:0 pid 0:0 key 1:-2147483648 index -1 lib [] nls []"},
    {{"-NLSPATH=", "-LD_LIBRARY_PATH"},
     "flags 0:0 pid 0:0 key 0:-1 index -1 lib [LD_LIBRARY_PATH=-LD_LIBRARY_PATH] nls [NLSPATH=]"},
    {{"-NLSPATH=/a/%N", "-NLSPATH=/b/%N:/c"},
     "flags 0:0 pid 0:0 key 0:-1 index -1 lib [] nls [NLSPATH=/b/%N:/c]"},
    // The value's own bytes are kept, even those the native code page cannot represent.
    {{"-LD_LIBRARY_PATH=/opt/\xc3\xa9t\xe9/lib"},
     "flags 0:0 pid 0:0 key 0:-1 index -1 lib [LD_LIBRARY_PATH=/opt/\xc3\xa9t\xe9/lib] nls []"},
    {{"--x", "-flags=1", "--"}, "flags 0:0 pid 0:0 key 0:-1 index 4 lib [] nls []"},
};

INSTANTIATE_TEST_SUITE_P(CommandLines, ParameterLoopTest, ::testing::ValuesIn(loopCases));

} // namespace

// Under a native code page whose bytes do not spell the keyword (UTF-7 writes "-" as
// "+AC0-"), the value cannot be cut out of the argument's bytes: it is converted back to
// the native code page, where iconv writes "-" as itself.
TEST(ParameterLoopCodePageTest, ValueIsConvertedWhenTheBytesDoNotSpellTheKeyword) {
    const std::string result = qimtest::runInChild([] {
                                   setenv("QIM_DBG_CODEPAGE", "UTF-7", 1);
                                   std::fputs(scanned({"+AC0-NLSPATH=/x/+AC0-y"}).c_str(), stdout);
                                   return 0;
                               }).out;
    EXPECT_EQ(result, "flags 0:0 pid 0:0 key 0:-1 index -1 lib [] nls [NLSPATH=/x/-y]");
}
