//===- tests/utilities/settings/SettingsTest.cpp - QIM_DBG_* settings and names ---===//
//
// Each test clears the environment first, so that it sees only the variables it sets. The
// names, kinds, defaults and positions of the settings and the dump are checked against a
// model of the table by the fuzz target trace_setting.
//
//===----------------------------------------------------------------------------===//
#include "utilities/settings/DebuggerSettingsLINUX.h"
#include "utilities/settings/EnvironmentNames.h"

#include "tests/support/StringText.h"

#include <gtest/gtest.h>

namespace {

using qimtest::text;
using qimtest::utf8;
using Setting = DebuggerSettings::Setting;

// Each variable read alone into a fresh table: the text and number its setting ends with.
// INT is a record of its own, Integer with the default 5, which no table setting is.
TEST(SettingsTest, EachVariableIsStrippedAndNormalisedByItsKind) {
    const std::string zeros(200000, '0'), blanks(100000, ' '), nines(200000, '9');
    const std::tuple<std::string, std::string, std::string, std::uint32_t> rows[] = {
        // clang-format off
        {"PORT", " 9000 ", "9000", 9000}, {"PORT", "90x0", "8001", 8001},
        {"PORT", "\t5", "\t5", 5}, {"PORT", "\r5", "\r5", 5}, // C white space before a number
        {"PORT", "4294967295", "4294967295", 4294967295u}, {"PORT", "4294967296", "8001", 8001},
        {"PORT", zeros + "2", zeros + "2", 2}, {"PORT", blanks + "2" + blanks, "2", 2},
        {"PORT", nines, "8001", 8001}, {"ADDR", nines, nines, 0}, {"NOASSERT", "0", "0", 0},
        {"TAB", "-3", "-3", 4294967293u}, {"TAB", "+3", "+3", 3}, // signs as "%u" takes them
        {"NOASSERT", "yes", "1", 1}, {"NOASSERT", "x", "0", 0}, {"NOASSERT", "4294967296", "1", 1},
        {"BACKGROUND_READ", " ", "1", 1}, {"TRACE", " \tx ", "\tx", 0}, // default "Y"; blanks only
        {"CONSOLE", "LOCAL", "2", 2}, {"CONSOLE", "Local", "0", 0}, {"CONSOLE", " gui ", "1", 1},
        {"CONSOLE", "2", "2", 2}, {"CONSOLE", "7", "0", 0}, {"CONSOLE", "-1", "-1", 4294967295u},
        {"INT", "-2147483648", "-2147483648", 2147483648u}, {"INT", "2147483648", "5", 5},
        {"INT", "2147483647", "2147483647", 2147483647u}, {"INT", "-2147483649", "5", 5},
        // clang-format on
    };
    for (const auto& [name, variable, value, number] : rows) {
        clearenv();
        setenv(("QIM_DBG_" + name).c_str(), variable.c_str(), 1);
        const DebuggerSettingsLINUX table;
        unsigned int at = 0;
        while (at < 29 && table.setting(at).name != std::wstring(name.begin(), name.end()))
            ++at;
        const Setting& record =
            at < 29 ? table.setting(at) : Setting(L"INT", Setting::Integer, L"5");
        EXPECT_EQ(name + "=" + text(record.value) + "|" +
                      std::to_string(std::uint32_t(record.number)),
                  name + "=" + value + "|" + std::to_string(number));
    }
}

TEST(SettingsTest, EverySettingIsReadAndSetValueFindsTheExactNameOnly) {
    clearenv();
    DebuggerSettingsLINUX table;
    EXPECT_EQ(("\n" + text(table.dump())).find("\n = "), std::string::npos) << "a setting unread";
    EXPECT_TRUE(table.setValue(L"PORT", utf8("abc")) && text(table.value(L"PORT")) == "8001");
    EXPECT_FALSE(table.setValue(L"port", utf8("1")));
    EXPECT_EQ(DebuggerSettings(-4).count(), 23u) << "must not write past a short array";
    Setting noDefault(L"UNREAD", Setting::Unsigned, L"");
    noDefault.setValue(utf8(std::string("7\0x", 3)));
    EXPECT_EQ(noDefault.number, 0) << "a zero byte ended the number";
}

TEST(EnvironmentNamesTest, DirectoryPartsAndFirstBytes) {
    // clang-format off
    const std::pair<const char*, const char*> paths[] = {
        {"/a/b/c", "/a/b/"}, {"/a/b/", "/a/"}, {"a/b//", "a/"}, {"a//b", "a//"}, {"file", ""},
        {"a/", ""}, {"/", "/"}, {"//", "/"}, {"/a", "/"}, {"", ""}, {"///a///", "///"},
        {"\xC3\xA9/\xC3\xA9", "\xC3\xA9/"}};
    const std::pair<const char*, int> firstBytes[] = {
        {"pid", 0}, {"P", 0}, {"core", 1}, {"aix", 3}, {"A", 3}, {"", 2}, {"\xC3\x80", 2}};
    // clang-format on
    for (const auto& [path, directory] : paths)
        EXPECT_EQ(text(stripPath(EncodedString(path, EncodedString::UTF8))), directory) << path;
    for (const auto& [bytes, kind] : firstBytes)
        EXPECT_EQ(DebuggerSettingsLINUX::classify(utf8(bytes)), kind) << bytes;
}

} // namespace
