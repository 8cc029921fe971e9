//===- tests/utilities/settings/SettingValueSizeTest.cpp - QIM_DBG_ values of any size ---===//
//
// Every setting read from a variable of every size, from empty to 200000 bytes, filled
// with every byte or with numbers drowned in blanks or zeros: each ends exactly as its kind
// says, whole, and nothing else in the table changes. The native code page is ISO-8859-1
// (QIM_DBG_CODEPAGE, set for this program), so that every byte has a character.
//
//===----------------------------------------------------------------------------===//
#include "utilities/settings/DebuggerSettingsLINUX.h"

#include "tests/support/LargeValues.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/StringText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using qimtest::text;
using Setting = DebuggerSettings::Setting;

std::string variableOf(const Setting& setting) {
    const std::wstring name(setting.name);
    return "QIM_DBG_" + std::string(name.begin(), name.end());
}

/// A value of `size` bytes: the number 2 with blanks on both sides.
std::string twoAmidBlanks(std::size_t size) {
    if (size == 0)
        return std::string();
    const std::size_t before = (size - 1) / 2;
    return std::string(before, ' ') + "2" + std::string(size - 1 - before, ' ');
}

/// A value of `size` bytes: the number 2 after leading zeros.
std::string twoAfterZeros(std::size_t size) {
    return size == 0 ? std::string() : std::string(size - 1, '0') + "2";
}

/// What a setting ends with.
struct Outcome {
    std::string value;
    std::int32_t number;
};

/// What the record `position` of a table holds.
Outcome outcomeOf(const DebuggerSettings& table, unsigned int position) {
    return {text(table.setting(position).value), table.setting(position).number};
}

/// What each kind makes of a variable; `unset` is what the setting holds without one,
/// which is also what a value the kind refuses falls back to.
Outcome expected(const Setting& setting, const std::string& variable, const Outcome& unset) {
    const std::string stripped = qimtest::withoutBlanks(variable);
    if (stripped.empty())
        return unset;
    switch (setting.type) {
    case Setting::String:
        return {qimtest::latin1ToUtf8(stripped), 0};
    case Setting::Boolean: {
        const bool number = stripped.find_first_not_of("0123456789") == std::string::npos;
        const bool truth = number ? stripped.find_first_not_of('0') != std::string::npos
                                  : stripped[0] == 'y' || stripped[0] == 'Y';
        return {truth ? "1" : "0", truth ? 1 : 0};
    }
    default: { // Integer and Unsigned: only a number that fits 32 bits stands
        const std::size_t significant = stripped.find_first_not_of('0');
        if (stripped.find_first_not_of("0123456789") != std::string::npos ||
            (significant != std::string::npos && stripped.size() - significant > 10))
            return unset;
        const unsigned long long number = std::stoull(stripped);
        if (number > 0xFFFFFFFFull)
            return unset;
        // CONSOLE keeps only 0, 1 and 2; a larger number is read as a console name, and
        // these values name none.
        if (std::wstring(setting.name) == L"CONSOLE" && number > 2)
            return {"0", 0};
        return {stripped, static_cast<std::int32_t>(number)};
    }
    }
}

class SettingValueSizeTest : public ::testing::Test {
protected:
    SettingValueSizeTest() {
        const DebuggerSettingsLINUX table;
        for (unsigned int i = 0; i < table.count(); ++i)
            _scopes.push_back(std::make_unique<qimtest::ScopedEnvironment>(
                variableOf(table.setting(i)).c_str(), nullptr));
        const DebuggerSettingsLINUX unsetTable;
        for (unsigned int i = 0; i < unsetTable.count(); ++i)
            _unset.push_back(outcomeOf(unsetTable, i));
    }
    ~SettingValueSizeTest() override {
        while (!_scopes.empty())
            _scopes.pop_back();
    }

    std::vector<std::unique_ptr<qimtest::ScopedEnvironment>> _scopes;
    std::vector<Outcome> _unset; ///< each setting's outcome with no variable set
};

/// Reads each setting alone from each of the values that `valueOfSize` makes for the test
/// sizes: the setting it feeds ends as its kind says, all others as if unset, and the dump
/// lists the whole value.
template <typename Values>
void expectEachSettingTakesWhole(const std::vector<Outcome>& unset, Values valueOfSize) {
    const DebuggerSettingsLINUX names;
    for (unsigned int position = 0; position < names.count(); ++position) {
        const Setting& setting = names.setting(position);
        for (std::size_t size : qimtest::valueSizes()) {
            for (const std::string& variable : valueOfSize(size)) {
                qimtest::ScopedEnvironment scope(variableOf(setting).c_str(), variable.c_str());
                DebuggerSettingsLINUX table;
                const Outcome want = expected(setting, variable, unset[position]);
                SCOPED_TRACE(variableOf(setting) + ", " + std::to_string(size) + " bytes from " +
                             variable.substr(0, 8));
                const Outcome got = outcomeOf(table, position);
                EXPECT_EQ(got.value.size(), want.value.size());
                EXPECT_TRUE(got.value == want.value) << "the value was changed";
                EXPECT_EQ(got.number, want.number);
                for (unsigned int other = 0; other < table.count(); ++other) {
                    if (other == position)
                        continue;
                    EXPECT_EQ(text(table.setting(other).value), unset[other].value);
                }
                const std::string line =
                    variableOf(setting).substr(8) + " = \"" + want.value + "\"\n";
                EXPECT_NE(text(table.dump()).find(line), std::string::npos);
            }
        }
    }
}

TEST_F(SettingValueSizeTest, EachSettingTakesAValueOfAnySizeWhole) {
    expectEachSettingTakesWhole(_unset, [](std::size_t size) {
        return std::vector<std::string>{qimtest::everyByte(size), twoAfterZeros(size),
                                        std::string(size, '9')};
    });
}

// Numbers amid blanks, up to 200000 bytes: the stripping cuts a long text down to one
// character in place; the setting must end as the number alone, and the long block the text
// took must stay accounted for (the sanitizer build's leak check sees a lost one).
TEST_F(SettingValueSizeTest, BlanksAroundANumberOfAnySizeAreStripped) {
    expectEachSettingTakesWhole(
        _unset, [](std::size_t size) { return std::vector<std::string>{twoAmidBlanks(size)}; });
}

// Every variable at once at the largest size: each setting still holds only its own value.
TEST_F(SettingValueSizeTest, AllSettingsAtTheLargestSizeStayApart) {
    const DebuggerSettingsLINUX names;
    std::vector<std::unique_ptr<qimtest::ScopedEnvironment>> scopes;
    std::string expectedDump;
    for (unsigned int position = 0; position < names.count(); ++position) {
        // Each a different stretch of the bytes, so that a value read for another shows.
        const std::string variable = qimtest::everyByte(200000 + position).substr(position);
        scopes.push_back(std::make_unique<qimtest::ScopedEnvironment>(
            variableOf(names.setting(position)).c_str(), variable.c_str()));
        const Outcome want = expected(names.setting(position), variable, _unset[position]);
        expectedDump +=
            variableOf(names.setting(position)).substr(8) + " = \"" + want.value + "\"\n";
    }
    DebuggerSettingsLINUX table;
    const std::string dump = text(table.dump());
    EXPECT_EQ(dump.size(), expectedDump.size());
    EXPECT_TRUE(dump == expectedDump);
}

} // namespace
