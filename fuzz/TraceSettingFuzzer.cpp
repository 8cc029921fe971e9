//===- fuzz/TraceSettingFuzzer.cpp - QIM_DBG_TRACE and the settings table -*- C++ -*-===//
//
// Fuzz target trace_setting: the trace worker's reading of its setting, and the settings
// table's reading and normalising of every kind of setting, against models of the two
// algorithms.
//
// A trace worker is built from the setting text the way the tests build one
// (TraceWorker(EncodedString)): it only reads its configuration, and nothing here arms or
// opens it, so the fuzzer never writes a trace file; the process's own trace goes to
// /dev/null. Settings are read from QIM_DBG_ variables that the fuzzer sets in its own
// environment (never QIM_DBG_TRACE), into tables of its own; the process-wide table was
// built before the first input. The native code set is ISO-8859-1, so that every byte
// of a variable reads as one character.
//
// Properties:
//   - the include and exclude lists are sorted sets (strictly ascending by strcmp), the
//     membership tests agree with them, the switches agree with isTraceBitSet, and the
//     destination and both lists are the model's;
//   - a setting of each kind, read from the environment or set, has the text and number
//     the model gives (booleans "1"/"0", numbers whole or the default, the console
//     mapping), wherever the number fits 32 bits; the dump lists every record.
//
//===----------------------------------------------------------------------------===//
#include "fuzz/FuzzSupport.h"
#include "fuzz/ReferenceDecimal.h"
#include "fuzz/ReferenceUtf8.h"

#include "tests/utilities/diagnostics/TraceTestSupport.h"
#include "utilities/diagnostics/TraceWorker.h"
#include "utilities/settings/DebuggerSettings.h"
#include "utilities/settings/DebuggerSettingsLINUX.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

using qimfuzz::printable;
using qimfuzz::stripBlanks;
using qimfuzz::unitsOf;
using Setting = DebuggerSettings::Setting;

// --- The trace setting ----------------------------------------------------------------

const char* const knownTypes[] = {"ALL",   "CONNECTION", "ZOR",  "VEK", "ENTRY", "WOLQ",
                                  "ERROR", "EXCPTN",     "EXPR", "MUF", "PYX",   "WARNING"};

struct TraceModel {
    std::wstring destination;
    std::set<std::string> included;
    std::set<std::string> excluded;
};

/// Removes and returns the first token of `text` at ",", as CharString::firstToken does.
std::wstring firstToken(std::wstring& text) {
    const std::size_t start = std::min(text.find_first_not_of(L','), text.size());
    const std::size_t end = std::min(text.find(L',', start), text.size());
    const std::wstring token = text.substr(start, end - start);
    text.erase(0, end);
    return token;
}

TraceModel modelTrace(const std::string& setting) {
    TraceModel model;
    std::wstring text = stripBlanks(qimfuzz::referenceDecodeWide(setting));
    if (text.empty())
        return model;
    model.destination = text[0] == L',' ? L"stderr" : stripBlanks(firstToken(text));
    bool fillingExcluded = false;
    while (!text.empty()) {
        std::wstring token = stripBlanks(firstToken(text));
        for (wchar_t& c : token)
            c = c >= L'a' && c <= L'z' ? c - 32 : c;
        std::set<std::string>& list = fillingExcluded ? model.excluded : model.included;
        if (token == L"~")
            fillingExcluded = fillingExcluded || list.empty();
        else if (!token.empty())
            list.insert(qimfuzz::referenceEncodeWide(token)); // up to a zero unit, as encoded()
    }
    if (model.included.empty()) {
        for (const char* type : knownTypes)
            if (model.excluded.count(type) == 0)
                model.included.insert(type);
    } else {
        for (const char* type : {"ERROR", "WARNING"})
            if (model.excluded.count(type) == 0)
                model.included.insert(type);
        for (const char* type : knownTypes)
            if (model.included.count(type) == 0)
                model.excluded.insert(type);
    }
    return model;
}

bool modelTraced(const TraceModel& model, const std::string& type) {
    if (model.destination.empty() || model.excluded.count(type) != 0)
        return false;
    return model.included.empty() || model.included.count(type) != 0 ||
           model.included.count("ALL") != 0;
}

/// Checks that `list` is strictly ascending and returns it as a set.
std::set<std::string> sortedSet(const char* const* list, unsigned int count, const char* which,
                                const std::string& setting) {
    QIM_FUZZ_CHECK((list == nullptr) == (count == 0), "the %s list of \"%s\": %u names at %p",
                   which, printable(setting).c_str(), count, static_cast<const void*>(list));
    std::set<std::string> names;
    for (unsigned int i = 0; i < count; ++i) {
        QIM_FUZZ_CHECK(i == 0 || std::strcmp(list[i - 1], list[i]) < 0,
                       "the %s list of \"%s\" is not strictly ascending at %u: \"%s\", \"%s\"",
                       which, printable(setting).c_str(), i, printable(list[i - 1]).c_str(),
                       printable(list[i]).c_str());
        names.insert(list[i]);
    }
    return names;
}

void checkTraceSetting(const std::string& setting) {
    const std::string shown = printable(setting);
    TraceWorker worker(EncodedString(setting.c_str(), EncodedString::UTF8));
    const std::set<std::string> included =
        sortedSet(worker.includedTypes(), worker.includedCount(), "include", setting);
    const std::set<std::string> excluded =
        sortedSet(worker.excludedTypes(), worker.excludedCount(), "exclude", setting);
    for (const std::string& name : included)
        QIM_FUZZ_CHECK(worker.isIncluded(name.c_str()), "\"%s\" listed but not included in \"%s\"",
                       printable(name).c_str(), shown.c_str());
    for (const std::string& name : excluded)
        QIM_FUZZ_CHECK(worker.isExcluded(name.c_str()), "\"%s\" listed but not excluded in \"%s\"",
                       printable(name).c_str(), shown.c_str());

    const TraceModel model = modelTrace(setting);
    const std::wstring destination = unitsOf(worker.destination());
    QIM_FUZZ_CHECK(destination == model.destination, "destination of \"%s\" is \"%s\"",
                   shown.c_str(), printable(destination).c_str());
    QIM_FUZZ_CHECK(included == model.included && excluded == model.excluded,
                   "\"%s\" included %zu and excluded %zu names; the model %zu and %zu",
                   shown.c_str(), included.size(), excluded.size(), model.included.size(),
                   model.excluded.size());

    const std::set<std::string> switchedOn = qimtest::switchesOn(worker.flags);
    for (const char* type : knownTypes) {
        const bool set = worker.isTraceBitSet(type);
        QIM_FUZZ_CHECK((switchedOn.count(type) != 0) == set && set == modelTraced(model, type),
                       "switch %s of \"%s\" is %zu, isTraceBitSet %d", type, shown.c_str(),
                       switchedOn.count(type), set);
    }
    QIM_FUZZ_CHECK(worker.flags.on == (destination.empty() ? 0 : 1), "switch on of \"%s\" is %d",
                   shown.c_str(), worker.flags.on);
    QIM_FUZZ_CHECK(worker.state() == TraceWorker::Idle && worker.stream() == nullptr,
                   "reading \"%s\" opened the trace", shown.c_str());
}

// --- The settings table ---------------------------------------------------------------

struct SettingModel {
    std::string value;
    std::int32_t number = 0;
    /// False when the text holds a whole number too large for the kind: the library's
    /// choice, of which only the form is checked.
    bool defined = true;
};

SettingModel modelFixup(const std::string& text, Setting::SettingType type,
                        const std::string& defaultText) {
    SettingModel model{text, 0, true};
    if (type == Setting::Boolean) {
        const std::string value = text.empty() ? defaultText : text;
        bool truth = false;
        if (!value.empty()) {
            const qimfuzz::DecimalReading reading =
                qimfuzz::readSignedDecimal(value.c_str(), INT_MIN, INT_MAX);
            model.defined = !(reading.whole && !reading.inRange);
            truth = reading.whole ? reading.value != 0 : value[0] == 'y' || value[0] == 'Y';
        }
        model.value = truth ? "1" : "0";
        model.number = truth ? 1 : 0;
        return model;
    }
    if (type != Setting::Integer && type != Setting::Unsigned)
        return model; // a String, or a kind that becomes one
    const auto read = [type](const std::string& value) {
        return type == Setting::Integer
                   ? qimfuzz::readSignedDecimal(value.c_str(), INT_MIN, INT_MAX)
                   : qimfuzz::readUnsignedDecimal(value.c_str(), UINT32_MAX);
    };
    const qimfuzz::DecimalReading reading = read(text);
    if (reading.whole && !reading.inRange)
        model.defined = false;
    if (reading.whole && reading.inRange) {
        model.number = static_cast<std::int32_t>(static_cast<std::uint32_t>(reading.value));
        return model;
    }
    model.value = defaultText;
    const qimfuzz::DecimalReading fallback = read(defaultText);
    model.number = static_cast<std::int32_t>(static_cast<std::uint32_t>(fallback.value));
    return model;
}

void expectSetting(const Setting& record, const SettingModel& model, Setting::SettingType type,
                   const char* what, const std::string& from) {
    const std::string value(record.value.buffer(), record.value.length());
    const char* name = from.c_str();
    if (type == Setting::Boolean)
        QIM_FUZZ_CHECK((value == "1" && record.number == 1) || (value == "0" && record.number == 0),
                       "%s: boolean of \"%s\" is \"%s\", %d", what, printable(name).c_str(),
                       printable(value).c_str(), record.number);
    if (!model.defined)
        return;
    QIM_FUZZ_CHECK(value == model.value && record.number == model.number,
                   "%s: kind %d of \"%s\" is \"%s\", %d; expected \"%s\", %d", what,
                   static_cast<int>(type), printable(name).c_str(), printable(value).c_str(),
                   record.number, printable(model.value).c_str(), model.number);
}

/// The text a variable's value becomes: ISO-8859-1 read as UTF-8, blanks around it gone.
std::string variableText(const std::string& value) {
    const std::string utf8 = qimfuzz::latin1ToUtf8(value);
    const std::size_t first = utf8.find_first_not_of(' ');
    return first == std::string::npos ? std::string()
                                      : utf8.substr(first, utf8.find_last_not_of(' ') - first + 1);
}

const wchar_t* const defaults[] = {L"", L"Y", L"N", L"0", L"8001", L"99", L"-3", L"8"};

std::string narrow(const wchar_t* text) {
    std::string bytes;
    for (; *text; ++text)
        bytes += static_cast<char>(*text);
    return bytes;
}

void checkSettingRecord(const std::string& value, int kindChoice, int defaultChoice) {
    const Setting::SettingType kinds[] = {Setting::String,
                                          Setting::Boolean,
                                          Setting::Integer,
                                          Setting::Unsigned,
                                          static_cast<Setting::SettingType>(7),
                                          static_cast<Setting::SettingType>(-1)};
    const Setting::SettingType kind = kinds[kindChoice];
    const bool numeric = kind == Setting::Integer || kind == Setting::Unsigned;
    // A numeric kind always has a default that is a number.
    const wchar_t* defaultText = defaults[numeric ? 3 + defaultChoice % 5 : defaultChoice % 3];
    const Setting::SettingType resulting =
        kind >= Setting::String && kind <= Setting::Unsigned ? kind : Setting::String;

    setenv("QIM_DBG_FUZZ_SETTING", value.c_str(), 1);
    Setting record(L"FUZZ_SETTING", kind, defaultText);
    QIM_FUZZ_CHECK(record.type == resulting, "kind %d became %d", static_cast<int>(kind),
                   static_cast<int>(record.type));
    expectSetting(record, modelFixup(variableText(value), resulting, narrow(defaultText)),
                  resulting, "read", value);
    record.setValue(EncodedString(value.c_str(), EncodedString::UTF8));
    expectSetting(record, modelFixup(value, resulting, narrow(defaultText)), resulting, "set",
                  value);
}

/// The table of DebuggerSettingsLINUX, in position order.
struct TableEntry {
    const wchar_t* name;
    Setting::SettingType type;
    const char* defaultText;
};
const TableEntry table[] = {
    {L"ADDR", Setting::String, ""},
    {L"LOCAL_PATH", Setting::String, ""},
    {L"OVERRIDE", Setting::String, ""},
    {L"PATH", Setting::String, ""},
    {L"TARNDUMP", Setting::String, ""},
    {L"TRACE", Setting::String, ""},
    {L"PLATFORM_ID", Setting::Unsigned, "0"},
    {L"PORT", Setting::Unsigned, "8001"},
    {L"TAB", Setting::Unsigned, "8"},
    {L"TABGRID", Setting::Unsigned, "8"},
    {L"ALWAYS_FOLLOW_PARENT", Setting::Boolean, ""},
    {L"BACKGROUND_READ", Setting::Boolean, "Y"},
    {L"DEEP_STEP_DEBUG", Setting::Boolean, ""},
    {L"DISASM_NOHEX", Setting::Boolean, ""},
    {L"KERNEL_OVERRIDE", Setting::Boolean, ""},
    {L"NOASSERT", Setting::Boolean, ""},
    {L"NOSTEP_OVERRIDE", Setting::Boolean, ""},
    {L"HIDE_SYSTEM_THREADS", Setting::Boolean, "Y"},
    {L"OLD_USER_INTERFACE", Setting::Boolean, ""},
    {L"XWINDOW", Setting::Boolean, "Y"},
    {L"STG_ADDR_NEW", Setting::Boolean, "Y"},
    {L"MULTIPLE_WATCHPOINT", Setting::Boolean, "N"},
    {L"CONSOLE", Setting::Unsigned, "99"},
    {L"DISPLAY", Setting::String, ""},
    {L"TRACE_SHELL", Setting::Boolean, ""},
    {L"VFORK", Setting::String, ""},
    {L"FORK", Setting::String, ""},
    {L"DEBUG_ARANGE", Setting::Boolean, "N"},
    {L"DEBUG_FRAME", Setting::Boolean, "Y"},
};
constexpr unsigned int tracePosition = 5;
constexpr unsigned int consolePosition = 22;

SettingModel modelConsole(const std::string& text) {
    SettingModel read = modelFixup(text, Setting::Unsigned, "99");
    if (!read.defined || read.number <= 2)
        return read;
    const char* number = "0";
    if (text == "gui" || text == "GUI")
        number = "1";
    else if (text == "local" || text == "LOCAL")
        number = "2";
    return modelFixup(number, Setting::Unsigned, "99");
}

void checkTable(FuzzedDataProvider& input) {
    std::vector<std::string> texts(std::size(table));
    for (unsigned int position = 0; position < std::size(table); ++position) {
        if (position == tracePosition)
            continue; // QIM_DBG_TRACE stays as the process set it: a destination is a path
        const std::string variable = "QIM_DBG_" + narrow(table[position].name);
        const std::string value = input.ConsumeRandomLengthString(12);
        if (input.ConsumeBool()) {
            setenv(variable.c_str(), value.c_str(), 1);
            texts[position] = variableText(value.c_str());
        } else {
            unsetenv(variable.c_str());
        }
    }
    texts[tracePosition] = variableText(std::getenv("QIM_DBG_TRACE"));

    DebuggerSettingsLINUX settings;
    QIM_FUZZ_CHECK(settings.count() == std::size(table), "the table has %u settings",
                   settings.count());
    std::string dump;
    for (unsigned int position = 0; position < std::size(table); ++position) {
        const TableEntry& entry = table[position];
        const Setting& record = settings.setting(position);
        QIM_FUZZ_CHECK(std::wcscmp(record.name, entry.name) == 0 && record.type == entry.type,
                       "setting %u is %s", position, narrow(record.name).c_str());
        const SettingModel model = position == consolePosition
                                       ? modelConsole(texts[position])
                                       : modelFixup(texts[position], entry.type, entry.defaultText);
        expectSetting(record, model, entry.type, narrow(entry.name).c_str(), texts[position]);
        dump += narrow(entry.name) + " = \"" + qimfuzz::bytesOf(record.value) + "\"\n";
    }
    const EncodedString dumped = settings.dump();
    QIM_FUZZ_CHECK(qimfuzz::bytesOf(dumped) == dump, "the dump differs from the records");
}

/// Pieces of trace settings, for setting texts spelled from the input.
const char* const tracePieces[16] = {"stdout", "stderr", ",",        ",",       "~",   " ",
                                     "vek",    "Error",  "all",      "WARNING", "foo", "/tmp/x",
                                     "excptn", "zor",    "\xC3\xA9", "\xE2\x82"};

std::string spellTrace(const std::string& bytes, bool raw) {
    if (raw)
        return bytes.c_str(); // up to its first zero byte, as a variable's value
    std::string text;
    for (const char c : bytes)
        text += tracePieces[static_cast<unsigned char>(c) & 0x0F];
    return text;
}

} // namespace

QIM_FUZZ_INITIALIZE_WITH_CODESET("ISO-8859-1")

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool raw = input.ConsumeBool();
    checkTraceSetting(spellTrace(input.ConsumeRandomLengthString(96), raw));
    const int kind = input.ConsumeIntegralInRange(0, 5);
    const int defaultChoice = input.ConsumeIntegralInRange(0, 14);
    checkSettingRecord(input.ConsumeRandomLengthString(24).c_str(), kind, defaultChoice);
    checkTable(input);
    return 0;
}
