//===- utilities/settings/DebuggerSettings.cpp - Settings from the environment ---===//
#include "utilities/settings/DebuggerSettings.h"

#include "utilities/settings/DebuggerSettingsLINUX.h"
#include "utilities/settings/DecimalText.h"
#include "utilities/settings/EnvironmentNames.h"
#include "utilities/strings/CharString.h"

#include <cassert>
#include <cstdint>
#include <cwchar>

namespace {

using Setting = DebuggerSettings::Setting;

/// The number of settings every table has, in positions 0 to 22.
constexpr unsigned int commonCount = 23;
/// The position of CONSOLE, whose text is mapped once the table is read.
constexpr unsigned int consolePosition = 22;

/// What a "%d%c" or "%u%c" scan sees in a setting's counted bytes: a zero byte inside
/// the text does not end it early.
DecimalText readDecimal(const EncodedString& text) {
    return scanDecimal(text.buffer(), text.buffer() + text.length());
}

/// The number a found decimal gives a setting of `type` (Integer or Unsigned); false when
/// it does not fit the 32 bits of that kind. An Unsigned takes a minus sign as negation
/// modulo 2^32, as "%u" does: "-3" gives 4294967293.
bool toSettingNumber(const DecimalText& text, Setting::SettingType type, std::int32_t& number) {
    if (!text.found || text.tooLarge)
        return false;
    if (type == Setting::Unsigned) {
        const auto bits = static_cast<std::uint32_t>(text.magnitude);
        number = static_cast<std::int32_t>(text.negative ? 0u - bits : bits);
        return true;
    }
    int value = 0;
    if (!text.toInt(value))
        return false;
    number = value;
    return true;
}

EncodedString utf8(const char* text) {
    return EncodedString(text, EncodedString::UTF8);
}

/// The CONSOLE number for a console name; "0" (remote) for a name it does not know.
const char* consoleNumber(const EncodedString& name) {
    if (name == utf8("remote") || name == utf8("REMOTE"))
        return "0";
    if (name == utf8("gui") || name == utf8("GUI"))
        return "1";
    if (name == utf8("local") || name == utf8("LOCAL"))
        return "2";
    return "0";
}

} // namespace

//===- Setting ------------------------------------------------------------===//

Setting::Setting() : name(L""), defaultValue(L""), value(), number(0), type(Integer) {}

Setting::Setting(const wchar_t* settingName, SettingType kind, const wchar_t* defaultText)
    : name(settingName), defaultValue(defaultText), value(), number(0), type(kind) {
    CharString variable;
    variable.loadFrom(getEnvnamePrefix().buffer(), EncodedString::UTF8);
    variable += CharString(settingName);
    CharString text;
    text.getEnvVar(variable).stripLeading(L' ').stripTrailing(L' ');
    value = text;
    fixup();
}

void Setting::setValue(const EncodedString& text) {
    value = text;
    fixup();
}

void Setting::fixup() {
    switch (type) {
    case String:
        return;
    case Boolean:
        fixupBoolean();
        return;
    case Integer:
    case Unsigned:
        fixupNumber();
        return;
    }
    type = String; // a kind outside the four
}

// Empty takes the default, then: a whole number is true unless 0 (negative and too large
// numbers included); any other text is true only when it begins with "y" or "Y".
void Setting::fixupBoolean() {
    if (value.length() == 0 && defaultValue != nullptr && defaultValue[0] != L'\0')
        value = defaultValue;
    bool truth = false;
    if (value.length() != 0) {
        const DecimalText text = readDecimal(value);
        if (text.whole)
            truth = text.magnitude != 0; // a number too large is held as 2^32
        else
            truth = value.buffer()[0] == 'y' || value.buffer()[0] == 'Y';
    }
    value = utf8(truth ? "1" : "0");
    number = truth ? 1 : 0;
}

// A whole number of the kind stands; anything else is replaced by the default, whose
// leading number (0 if it has none) becomes the number.
void Setting::fixupNumber() {
    const DecimalText text = readDecimal(value);
    std::int32_t read = 0;
    if (text.whole && toSettingNumber(text, type, read)) {
        number = read;
        return;
    }
    value = EncodedString(defaultValue);
    number = toSettingNumber(readDecimal(value), type, read) ? read : 0;
}

//===- DebuggerSettings ---------------------------------------------------===//

DebuggerSettings* DebuggerSettings::instance() {
    // Deliberately unguarded and never deleted: the first call comes before any second
    // thread, and the table must outlive every reader, the trace included.
    static DebuggerSettings* table = nullptr;
    if (table == nullptr)
        table = new DebuggerSettingsLINUX;
    return table;
}

DebuggerSettings::DebuggerSettings(int extra)
    : _settings(nullptr), _count(commonCount + (extra > 0 ? static_cast<unsigned int>(extra) : 0)) {
    _settings = new Setting[_count];
    try {
        // Read in this order; each lands in its fixed position.
        place(0, L"ADDR", Setting::String, L"");
        place(1, L"LOCAL_PATH", Setting::String, L"");
        place(2, L"OVERRIDE", Setting::String, L"");
        place(3, L"PATH", Setting::String, L"");
        place(4, L"TARNDUMP", Setting::String, L"");
        place(5, L"TRACE", Setting::String, L"");
        place(10, L"ALWAYS_FOLLOW_PARENT", Setting::Boolean, L"");
        place(11, L"BACKGROUND_READ", Setting::Boolean, L"Y");
        place(12, L"DEEP_STEP_DEBUG", Setting::Boolean, L"");
        place(13, L"DISASM_NOHEX", Setting::Boolean, L"");
        place(14, L"KERNEL_OVERRIDE", Setting::Boolean, L"");
        place(15, L"NOASSERT", Setting::Boolean, L"");
        place(16, L"NOSTEP_OVERRIDE", Setting::Boolean, L"");
        place(18, L"OLD_USER_INTERFACE", Setting::Boolean, L"");
        place(17, L"HIDE_SYSTEM_THREADS", Setting::Boolean, L"Y");
        place(6, L"PLATFORM_ID", Setting::Unsigned, L"0");
        place(7, L"PORT", Setting::Unsigned, L"8001");
        place(8, L"TAB", Setting::Unsigned, L"8");
        place(9, L"TABGRID", Setting::Unsigned, L"8");
        place(20, L"STG_ADDR_NEW", Setting::Boolean, L"Y");
        place(21, L"MULTIPLE_WATCHPOINT", Setting::Boolean, L"N");
        place(19, L"XWINDOW", Setting::Boolean, L"Y");
        place(consolePosition, L"CONSOLE", Setting::Unsigned, L"99");
        mapConsole();
    } catch (...) {
        delete[] _settings; // the destructor does not run for a half-built table
        throw;
    }
}

DebuggerSettings::~DebuggerSettings() {
    delete[] _settings;
}

bool DebuggerSettings::setValue(const wchar_t* name, const EncodedString& text) {
    Setting* const record = find(name);
    if (record == nullptr)
        return false;
    record->setValue(text);
    return true;
}

const EncodedString& DebuggerSettings::value(const wchar_t* name) {
    static const EncodedString none;
    const Setting* const record = find(name);
    return record == nullptr ? none : record->value;
}

EncodedString DebuggerSettings::dump() {
    const EncodedString open = utf8(" = \"");
    const EncodedString close = utf8("\"\n");
    EncodedString result;
    for (unsigned int position = 0; position < _count; ++position) {
        result += EncodedString(_settings[position].name);
        result += open;
        result += _settings[position].value;
        result += close;
    }
    return result;
}

const Setting& DebuggerSettings::setting(unsigned int position) const {
    assert(position < _count && "setting position past the end of the table");
    return _settings[position];
}

Setting* DebuggerSettings::find(const wchar_t* name) const {
    if (name == nullptr)
        return nullptr;
    for (unsigned int position = 0; position < _count; ++position) {
        const wchar_t* const candidate = _settings[position].name;
        if (candidate != nullptr && std::wcscmp(candidate, name) == 0)
            return &_settings[position];
    }
    return nullptr;
}

void DebuggerSettings::place(unsigned int position, const wchar_t* name, Setting::SettingType type,
                             const wchar_t* defaultValue) {
    assert(position < _count && "setting placed past the end of the table");
    _settings[position] = Setting(name, type, defaultValue);
}

// CONSOLE is read first as a number; one above 2 (as a signed number; "gui" is no number
// and falls back to 99) means the variable names the console, which is read again and
// mapped: remote 0, gui 1, local 2, any other name 0.
void DebuggerSettings::mapConsole() {
    Setting& console = _settings[consolePosition];
    if (console.number <= 2)
        return;
    const Setting name(L"CONSOLE", Setting::String, L"remote");
    console.setValue(utf8(consoleNumber(name.value)));
}
