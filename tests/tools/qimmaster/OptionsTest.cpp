//===- tests/tools/qimmaster/OptionsTest.cpp - qimmaster's command line ---===//
#include "tools/qimmaster/Options.h"
#include "tools/qimmaster/MasterError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qimmaster::MasterOptions;
using Arguments = std::vector<std::string>;

MasterOptions parse(Arguments arguments) {
    arguments.insert(arguments.begin(), "qimmaster");
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return qimmaster::parseOptions(static_cast<int>(arguments.size()), argv.data());
}

// Values in both spellings; the defaults when nothing is given. A parser that loses the
// "=" form, or passes empty paths when no path option was given, fails here.
TEST(OptionsTest, ValuesAreReadInBothSpellingsAndDefaultsHoldOtherwise) {
    const MasterOptions defaults = parse({"--", "/bin/true"});
    EXPECT_EQ(defaults.flags, 0);
    EXPECT_EQ(defaults.timeout, std::chrono::milliseconds(10000));
    EXPECT_FALSE(defaults.ldLibraryPath.has_value());
    EXPECT_FALSE(defaults.nlsPath.has_value());
    EXPECT_FALSE(defaults.stopAtEntry || defaults.timeline || defaults.noPtrace || defaults.help);

    const MasterOptions given =
        parse({"--flags", "8", "--timeout=0.25", "--ld-library-path=/a/lib", "--nlspath", "",
               "--stop-at-entry", "--timeline", "--no-ptrace", "--", "/bin/true"});
    EXPECT_EQ(given.flags, 8);
    EXPECT_EQ(given.timeout, std::chrono::milliseconds(250));
    EXPECT_EQ(given.ldLibraryPath, std::optional<std::string>("/a/lib"));
    EXPECT_EQ(given.nlsPath, std::optional<std::string>("")); // given, though empty
    EXPECT_TRUE(given.stopAtEntry && given.timeline && given.noPtrace);
}

// The program's own options are not qimmaster's, with or without "--".
TEST(OptionsTest, ParsingStopsAtTheProgram) {
    const MasterOptions withSeparator = parse({"--timeline", "--", "/bin/ls", "--flags", "3"});
    EXPECT_THAT(withSeparator.program, ::testing::ElementsAre("/bin/ls", "--flags", "3"));
    EXPECT_EQ(withSeparator.flags, 0);

    const MasterOptions withoutSeparator = parse({"/bin/ls", "--timeline"});
    EXPECT_THAT(withoutSeparator.program, ::testing::ElementsAre("/bin/ls", "--timeline"));
    EXPECT_FALSE(withoutSeparator.timeline);
}

// Each line is a command line that must be refused as a usage error, never half read.
TEST(OptionsTest, MalformedCommandLinesAreUsageErrors) {
    const std::vector<Arguments> refused = {
        {"--flags", "", "--", "/bin/true"},
        {"--flags", "1x", "--", "/bin/true"},
        {"--flags", " 5", "--", "/bin/true"},
        {"--flags", "2147483648", "--", "/bin/true"},
        {"--flags=-2147483649", "--", "/bin/true"},
        {"--timeout", "0", "--", "/bin/true"},
        {"--timeout", "-1", "--", "/bin/true"},
        {"--timeout", "10s", "--", "/bin/true"},
        {"--timeout", "nan", "--", "/bin/true"},
        {"--timeout", "inf", "--", "/bin/true"},
        {"--timeout", "86401", "--", "/bin/true"},
        {"--timeout"},
        {"--bogus", "--", "/bin/true"},
        {"-x", "--", "/bin/true"},
        {"--timeline", "--"},
        {},
    };
    for (const Arguments& arguments : refused) {
        std::string line;
        for (const std::string& argument : arguments)
            line += "'" + argument + "' ";
        try {
            parse(arguments);
            ADD_FAILURE() << "accepted: " << line;
        } catch (const qimmaster::MasterError& error) {
            EXPECT_EQ(error.exitStatus(), qimmaster::masterFailureStatus) << line;
            EXPECT_THAT(error.what(), ::testing::HasSubstr("usage: qimmaster")) << line;
        }
    }
}

// The extreme values that are valid must not be refused by an off-by-one range check, and
// a tiny timeout must still allow one look rather than become zero.
TEST(OptionsTest, BoundaryValuesAreAccepted) {
    EXPECT_EQ(parse({"--flags=-2147483648", "--", "/bin/true"}).flags, -2147483647 - 1);
    EXPECT_EQ(parse({"--flags=2147483647", "--", "/bin/true"}).flags, 2147483647);
    EXPECT_EQ(parse({"--timeout=86400", "--", "/bin/true"}).timeout,
              std::chrono::milliseconds(86400000));
    EXPECT_EQ(parse({"--timeout=0.0001", "--", "/bin/true"}).timeout, std::chrono::milliseconds(1));
    EXPECT_TRUE(parse({"--help"}).help); // no program needed
}

} // namespace
