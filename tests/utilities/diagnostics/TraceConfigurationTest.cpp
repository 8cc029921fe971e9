//===- tests/utilities/diagnostics/TraceConfigurationTest.cpp - Reading QIM_DBG_TRACE ---===//
//
// Tests of how the trace worker reads its setting: the destination, the two sorted type
// lists with their completion rules, and the switches that follow from them.
//
//===----------------------------------------------------------------------------===//
#include "tests/utilities/diagnostics/TraceTestSupport.h"
#include "utilities/diagnostics/TraceWorker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

const Names allKnown = {"ALL", "CONNECTION", "ENTRY", "ERROR", "EXCPTN",  "EXPR",
                        "MUF", "PYX",        "VEK",   "WOLQ",  "WARNING", "ZOR"};

/// The known types but `omitted`, in strcmp order.
Names allKnownBut(const Names& omitted) {
    Names names;
    for (const std::string& name : allKnown)
        if (std::find(omitted.begin(), omitted.end(), name) == omitted.end())
            names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

Names names(const char* const* list, unsigned int count) {
    return list ? Names(list, list + count) : Names();
}

std::set<std::string> asSet(const Names& list) {
    return std::set<std::string>(list.begin(), list.end());
}

/// The letters and digits of `text`, for a test name.
std::string alphanumerics(const char* text) {
    std::string kept;
    for (; *text; ++text)
        if (std::isalnum(static_cast<unsigned char>(*text)))
            kept += *text;
    return kept;
}

struct ConfigurationCase {
    const char* setting;
    const char* destination;
    Names included;
    Names excluded;
    Names switchedOn;
};

void PrintTo(const ConfigurationCase& value, std::ostream* out) {
    *out << '"' << value.setting << '"';
}

class TraceConfigurationTest : public ::testing::TestWithParam<ConfigurationCase> {};

TEST_P(TraceConfigurationTest, DestinationListsAndSwitchesFollowTheSetting) {
    const ConfigurationCase& expected = GetParam();
    const TraceWorker worker(EncodedString(expected.setting, EncodedString::UTF8));

    EXPECT_EQ(std::string(EncodedString(worker.destination()).buffer()), expected.destination);
    EXPECT_EQ(names(worker.includedTypes(), worker.includedCount()), expected.included);
    EXPECT_EQ(names(worker.excludedTypes(), worker.excludedCount()), expected.excluded);
    EXPECT_EQ(qimtest::switchesOn(worker.flags), asSet(expected.switchedOn));
    EXPECT_EQ(worker.flags.on, *expected.destination ? 1 : 0);
    EXPECT_EQ(worker.state(), TraceWorker::Idle);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Settings, TraceConfigurationTest, ::testing::Values(
    // Nothing to trace.
    ConfigurationCase{"", "", {}, {}, {}},
    ConfigurationCase{"    ", "", {}, {}, {}},
    // A destination alone includes every known type.
    ConfigurationCase{"stderr", "stderr", allKnownBut({}), {}, allKnown},
    // Only the exact lower-case words name the standard streams; these are file names.
    ConfigurationCase{"STDERR", "STDERR", allKnownBut({}), {}, allKnown},
    // A leading comma means standard error; naming types adds ERROR and WARNING and
    // excludes every other known type, ALL among them.
    ConfigurationCase{",error", "stderr", {"ERROR", "WARNING"},
                      allKnownBut({"ERROR", "WARNING"}), {"ERROR", "WARNING"}},
    // "~" first: the names are exclusions and everything else is included.
    ConfigurationCase{"stdout,~,entry,expr", "stdout", allKnownBut({"ENTRY", "EXPR"}),
                      {"ENTRY", "EXPR"}, allKnownBut({"ENTRY", "EXPR"})},
    ConfigurationCase{"stdout,~", "stdout", allKnownBut({}), {}, allKnown},
    // "~" after an included type is ignored, so what follows is included too.
    ConfigurationCase{"stdout,vek,~,entry", "stdout", {"ENTRY", "ERROR", "VEK", "WARNING"},
                      allKnownBut({"ENTRY", "ERROR", "VEK", "WARNING"}),
                      {"ENTRY", "ERROR", "VEK", "WARNING"}},
    ConfigurationCase{"stdout,vek,~,~", "stdout", {"ERROR", "VEK", "WARNING"},
                      allKnownBut({"ERROR", "VEK", "WARNING"}), {"ERROR", "VEK", "WARNING"}},
    // Names are case-insensitive and listed once.
    ConfigurationCase{"stdout,vek,vek,Vek", "stdout", {"ERROR", "VEK", "WARNING"},
                      allKnownBut({"ERROR", "VEK", "WARNING"}), {"ERROR", "VEK", "WARNING"}},
    // An unknown name is listed but switches nothing on.
    ConfigurationCase{"stdout,foo", "stdout", {"ERROR", "FOO", "WARNING"},
                      allKnownBut({"ERROR", "WARNING"}), {"ERROR", "WARNING"}},
    // Excluding ERROR keeps it out even though named types normally bring it in.
    ConfigurationCase{"stdout,~,error,all", "stdout", allKnownBut({"ALL", "ERROR"}),
                      {"ALL", "ERROR"}, allKnownBut({"ALL", "ERROR"})},
    // Naming ALL includes it, but every other known type is then excluded, and an
    // exclusion wins over ALL.
    ConfigurationCase{"stdout,all", "stdout", {"ALL", "ERROR", "WARNING"},
                      allKnownBut({"ALL", "ERROR", "WARNING"}), {"ALL", "ERROR", "WARNING"}},
    // Blanks around the value and around each part go; inner blanks and case stay; empty
    // names are skipped.
    ConfigurationCase{"  /tmp/Trace Dir , vek ,, ,  ", "/tmp/Trace Dir",
                      {"ERROR", "VEK", "WARNING"}, allKnownBut({"ERROR", "VEK", "WARNING"}),
                      {"ERROR", "VEK", "WARNING"}}),
    [](const ::testing::TestParamInfo<ConfigurationCase>& info) {
        return "Setting" + std::to_string(info.index) + "_" + alphanumerics(info.param.setting);
    });
// clang-format on

TEST(TraceTypeListTest, NewTraceKeepsASortedSetOfPrivateCopies) {
    // Guards against duplicates, an unsorted list (which breaks the binary search), and
    // names that alias the caller's storage.
    std::vector<std::string> inputs;
    for (int i = 0; i < 3000; ++i)
        inputs.push_back("T" + std::to_string(i % 1500));
    std::shuffle(inputs.begin(), inputs.end(), std::mt19937(7));

    char** list = nullptr;
    unsigned int count = 0;
    for (std::string& input : inputs) {
        list = TraceWorker::newTrace(list, count, input.c_str());
        input.assign(input.size(), 'x'); // the list must not point into this text
    }

    ASSERT_EQ(count, 1500u);
    for (unsigned int i = 1; i < count; ++i)
        EXPECT_LT(std::string(list[i - 1]), std::string(list[i])) << "at " << i;
    for (unsigned int i = 0; i < count; ++i)
        std::free(list[i]);
    std::free(list);
}

TEST(TraceTypeListTest, ThousandsOfTypesAndVeryLongNamesAreAllListed) {
    std::string setting = "stdout";
    for (int i = 0; i < 4000; ++i)
        setting += ",type" + std::to_string(i);
    const std::string longName(200000, 'Q');
    setting += "," + longName;
    const TraceWorker worker(EncodedString(setting.c_str(), EncodedString::UTF8));

    const Names included = names(worker.includedTypes(), worker.includedCount());
    EXPECT_EQ(included.size(), 4000u + 1 + 2); // and ERROR, WARNING
    EXPECT_TRUE(worker.isIncluded("TYPE3999"));
    EXPECT_TRUE(worker.isIncluded(longName.c_str()));
    EXPECT_TRUE(std::is_sorted(included.begin(), included.end()));
}

// A type that is not listed is traced when ALL is included and not excluded.
TEST(TraceSwitchTest, AnUnlistedTypeFollowsAll) {
    const TraceWorker named(EncodedString("stdout,vek", EncodedString::UTF8));
    EXPECT_FALSE(named.isTraceBitSet("UNLISTED"));
    const TraceWorker excluding(EncodedString("stdout,~,zor", EncodedString::UTF8));
    EXPECT_TRUE(excluding.isTraceBitSet("UNLISTED"));
}

} // namespace
