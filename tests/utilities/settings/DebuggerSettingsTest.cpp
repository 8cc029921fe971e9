//===- tests/utilities/settings/DebuggerSettingsTest.cpp ------------------===//
#include "utilities/settings/DebuggerSettingsLINUX.h"

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/StringText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using qimtest::text;
using qimtest::utf8;
using Setting = DebuggerSettings::Setting;

/// The Linux table in position order, each setting with its text when unset.
// clang-format off
const char* const defaults[][2] = {
    {"ADDR", ""}, {"LOCAL_PATH", ""}, {"OVERRIDE", ""}, {"PATH", ""}, {"TARNDUMP", ""},
    {"TRACE", ""}, {"PLATFORM_ID", "0"}, {"PORT", "8001"}, {"TAB", "8"}, {"TABGRID", "8"},
    {"ALWAYS_FOLLOW_PARENT", "0"}, {"BACKGROUND_READ", "1"}, {"DEEP_STEP_DEBUG", "0"},
    {"DISASM_NOHEX", "0"}, {"KERNEL_OVERRIDE", "0"}, {"NOASSERT", "0"}, {"NOSTEP_OVERRIDE", "0"},
    {"HIDE_SYSTEM_THREADS", "1"}, {"OLD_USER_INTERFACE", "0"}, {"XWINDOW", "1"},
    {"STG_ADDR_NEW", "1"}, {"MULTIPLE_WATCHPOINT", "0"}, {"CONSOLE", "0"}, {"DISPLAY", ""},
    {"TRACE_SHELL", "0"}, {"VFORK", ""}, {"FORK", ""}, {"DEBUG_ARANGE", "0"}, {"DEBUG_FRAME", "1"}};
// clang-format on

unsigned int positionOf(const std::string& name) {
    unsigned int position = 0;
    while (position < 29 && name != defaults[position][0])
        ++position;
    return position;
}

/// Unsets every variable the table reads, whatever the calling shell exported; a test
/// then sets only what it needs, and everything is put back afterwards.
class DebuggerSettingsTest : public ::testing::Test {
protected:
    DebuggerSettingsTest() {
        for (const auto& row : defaults)
            set(row[0], nullptr);
    }
    ~DebuggerSettingsTest() override {
        while (!_scopes.empty())
            _scopes.pop_back(); // newest first: a variable set twice ends as it began
    }
    void set(const std::string& name, const char* value) {
        const std::string variable = "QIM_DBG_" + name;
        _scopes.push_back(std::make_unique<qimtest::ScopedEnvironment>(variable.c_str(), value));
    }

private:
    std::vector<std::unique_ptr<qimtest::ScopedEnvironment>> _scopes;
};

TEST_F(DebuggerSettingsTest, NothingSetDumpsEveryDefaultInPositionOrder) {
    DebuggerSettingsLINUX table;
    std::string expected;
    for (const auto& row : defaults)
        expected += std::string(row[0]) + " = \"" + row[1] + "\"\n";
    EXPECT_EQ(text(table.dump()), expected);
    ASSERT_EQ(table.count(), 29u);
    EXPECT_EQ(table.setting(7).number, 8001);
    EXPECT_EQ(table.setting(11).number, 1); // BACKGROUND_READ, default "Y"
}

// Each variable read alone into a fresh table: the text and number its setting ends with.
TEST_F(DebuggerSettingsTest, VariablesAreStrippedAndNormalisedByKind) {
    const struct {
        const char* name;
        const char* variable;
        const char* value;
        std::uint32_t number;
    } cases[] = {
        // clang-format off
        {"PORT", " 9000 ", "9000", 9000}, {"PORT", "90x0", "8001", 8001},
        {"PORT", "  ", "8001", 8001},
        {"PORT", "\t5", "\t5", 5},              // white space before it is skipped, as by "%u"
        {"PORT", "4294967296", "8001", 8001},   // a 64-bit read stored it wrapped to 0
        {"TAB", "-3", "-3", 4294967293u},
        {"NOASSERT", "yes", "1", 1}, {"NOASSERT", "2", "1", 1}, {"NOASSERT", "-1", "1", 1},
        {"NOASSERT", "4294967296", "1", 1},     // was false: its low 32 bits are 0
        {"NOASSERT", "0", "0", 0}, {"NOASSERT", "no", "0", 0}, {"NOASSERT", "x", "0", 0},
        {"BACKGROUND_READ", " ", "1", 1},       // empty takes the default "Y"
        {"TRACE", "  stderr,vek  ", "stderr,vek", 0},
        {"TRACE", " \tx ", "\tx", 0},           // only blanks are stripped
        {"CONSOLE", "LOCAL", "2", 2}, {"CONSOLE", "Local", "0", 0}, {"CONSOLE", "2", "2", 2},
        {"CONSOLE", " gui ", "1", 1}, {"CONSOLE", "GUI", "1", 1}, {"CONSOLE", "7", "0", 0},
        {"CONSOLE", "-1", "-1", 4294967295u},   // a negative number stands
        // clang-format on
    };
    for (const auto& c : cases) {
        set(c.name, c.variable);
        const DebuggerSettingsLINUX table;
        const Setting& record = table.setting(positionOf(c.name));
        EXPECT_EQ(text(record.value), c.value) << c.name << "=" << c.variable;
        EXPECT_EQ(static_cast<std::uint32_t>(record.number), c.number)
            << c.name << "=" << c.variable;
        set(c.name, nullptr);
    }
}

TEST_F(DebuggerSettingsTest, SetValueAndValueFindOnlyTheExactName) {
    DebuggerSettingsLINUX table;
    EXPECT_TRUE(table.setValue(L"PORT", utf8("abc")));
    EXPECT_EQ(text(table.value(L"PORT")), "8001");
    EXPECT_TRUE(table.setValue(L"CONSOLE", utf8("gui"))); // mapped only when read
    EXPECT_EQ(text(table.value(L"CONSOLE")), "99");
    EXPECT_EQ(&table.value(L"TRACE"), &table.setting(5).value);
    const std::string before = text(table.dump());
    for (const wchar_t* unknown : {L"port", L"QIM_DBG_TAB", L""}) {
        EXPECT_FALSE(table.setValue(unknown, utf8("1")));
        EXPECT_EQ(table.value(unknown).length(), 0u);
        EXPECT_EQ(&table.value(unknown), &table.value(nullptr)) << "not one shared empty text";
    }
    EXPECT_EQ(text(table.dump()), before);
}

TEST_F(DebuggerSettingsTest, CommonTableLeavesUnfilledSlotsForExtrasOnly) {
    EXPECT_EQ(DebuggerSettings(-4).count(), 23u); // must not write past a short array
    const DebuggerSettings table(2);
    ASSERT_EQ(table.count(), 25u);
    EXPECT_EQ(table.setting(22).name, std::wstring(L"CONSOLE"));
    EXPECT_EQ(table.setting(24).name, std::wstring());
    EXPECT_EQ(table.setting(24).type, Setting::Integer);
}

TEST_F(DebuggerSettingsTest, RecordsOfOtherKindsNormaliseOnTheirOwn) {
    set("QIMTEST_KIND", " 42 ");
    for (std::int32_t kind : {-1, 4, INT32_MIN}) { // not one of the four: becomes a String
        const Setting record(L"QIMTEST_KIND", static_cast<Setting::SettingType>(kind), L"5");
        EXPECT_EQ(record.type, Setting::String) << kind;
        EXPECT_EQ(text(record.value), "42") << kind;
    }
    const std::pair<std::string, std::int32_t> integers[] = {{"-2147483648", INT32_MIN},
                                                             {"2147483648", -5},
                                                             {"-2147483649", -5},
                                                             {"12x", -5},
                                                             {std::string("1\0x", 3), -5}};
    Setting record(L"QIMTEST_KIND", Setting::Integer, L"-5");
    for (const auto& c : integers) {
        record.setValue(utf8(c.first));
        EXPECT_EQ(record.number, c.second) << c.first;
        EXPECT_EQ(text(record.value), c.second == -5 ? "-5" : c.first) << c.first;
    }
    Setting noDefault(L"QIMTEST_KIND", Setting::Unsigned, L"");
    noDefault.setValue(utf8("7"));
    noDefault.setValue(utf8("x"));
    EXPECT_EQ(noDefault.number, 0) << "a default that is no number left a stale number";
}

TEST(DebuggerSettingsLINUXTest, ClassifyLooksAtTheFirstByteOnly) {
    const std::pair<const char*, int> cases[] = {{"pid", 0}, {"P", 0},       {"core", 1},
                                                 {"C", 1},   {"aix", 3},     {"A", 3},
                                                 {"", 2},    {"\xC3\x80", 2}};
    for (const auto& c : cases)
        EXPECT_EQ(DebuggerSettingsLINUX::classify(utf8(c.first)), c.second) << c.first;
}

TEST(DebuggerSettingsInstanceTest, EveryCallReturnsTheOneLinuxTable) {
    DebuggerSettings* const first = DebuggerSettings::instance();
    EXPECT_EQ(DebuggerSettings::instance(), first);
    EXPECT_EQ(first->count(), 29u);
}

} // namespace
