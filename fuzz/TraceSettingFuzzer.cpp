//===- fuzz/TraceSettingFuzzer.cpp - QIM_DBG_TRACE and setting records -*- C++ -*-===//
//
// Fuzz target trace_setting: a trace worker configured from a setting text (never armed or
// opened: the fuzzer writes no trace file), and a setting record of a kind and default that
// the input picks, read from the environment and then set. The native code set is
// ISO-8859-1, so that every byte of a variable is one character.
// Properties: each known type is in one of the type lists, which are sorted, and is traced
// when it is included (or ALL is) and not excluded; the destination is the first field
// ("stderr" when a comma comes first); a setting's text and number are what strtoll or
// strtoull make of its text, or else of its default.
//
//===----------------------------------------------------------------------------===//
#include "fuzz/FuzzSupport.h"

#include "utilities/diagnostics/TraceWorker.h"
#include "utilities/settings/DebuggerSettings.h"

using Setting = DebuggerSettings::Setting;

/// "text|number" as a setting of `kind` with the default `fallback` makes them of `value`.
static S fixed(S value, Setting::SettingType kind, const S& fallback) {
    value = kind == Setting::Boolean && value.empty() ? fallback : value;
    const bool numeric = kind == Setting::Integer || kind == Setting::Unsigned;
    const auto [found, whole, fits, number, end] = kind == Setting::Unsigned
                                                       ? reading<std::uint32_t>(value.c_str())
                                                       : reading<int>(value.c_str());
    if (kind == Setting::Boolean)
        return (whole ? number != 0 : value[0] == 'y' || value[0] == 'Y') ? "1|1" : "0|0";
    if (!numeric || (whole && fits))
        return value + "|" + std::to_string(numeric ? static_cast<std::int32_t>(number) : 0);
    return value == fallback ? value + "|0" : fixed(fallback, kind, fallback);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool raw = input.ConsumeBool();
    const S bytes = input.ConsumeRandomLengthString(96);
    const S setting =
        raw ? bytes.c_str()
            : spell(bytes, "stdout|stderr|,|,|~| "
                           "|vek|Error|all|WARNING|foo|/tmp/x|excptn|zor|\xC3\xA9|\xE2\x82|");
    const TraceWorker worker(EncodedString(setting.c_str(), EncodedString::UTF8));
    const W units = text(CharString().loadFrom(setting.c_str(), EncodedString::UTF8));
    const std::size_t first = units.find_first_not_of(L' ');
    W to = first == W::npos       ? L""
           : units[first] == L',' ? L"stderr"
                                  : units.substr(first, units.find(L',', first) - first);
    to.erase(to.find_last_not_of(L' ') + 1);
    const auto in = worker.includedTypes(), out = worker.excludedTypes();
    const auto ins = in + worker.includedCount(), outs = out + worker.excludedCount();
    const auto less = [](const char* a, const char* b) { return std::strcmp(a, b) < 0; };
    for (const char* type : {"ALL", "CONNECTION", "ZOR", "VEK", "ENTRY", "WOLQ", "ERROR", "EXCPTN",
                             "EXPR", "MUF", "PYX", "WARNING"}) {
        const bool i = std::binary_search(in, ins, type, less),
                   o = std::binary_search(out, outs, type, less);
        const bool all = std::binary_search(in, ins, "ALL", less);
        const long long rows[][2] = {
            {i + o, first != W::npos},
            {worker.isTraceBitSet(type), !to.empty() && !o && (i || all)},
            {std::is_sorted(in, ins, less) && std::is_sorted(out, outs, less), 1}};
        QIM_FUZZ_ROWS(rows, setting);
    }

    // Each type that the setting names after the destination is listed, upper-cased: as an
    // excluded type after a leading "~", else as an included one.
    const std::size_t types =
        first == W::npos || units[first] == L',' ? 0 : units.find(L',', first);
    bool excluding = false, leading = true;
    for (std::size_t start = types, end = types; start < units.size(); start = end + 1) {
        end = std::min(units.find(L',', start), units.size());
        CharString type(units.data() + start, end - start);
        const S name = text(type.stripLeading(L' ').stripTrailing(L' ').upper().encoded());
        if (type.length() == 0)
            continue;
        excluding = leading ? name == "~" : excluding;
        leading = false;
        const bool listed =
            std::binary_search(excluding ? out : in, excluding ? outs : ins, name.c_str(), less);
        const long long rows[][2] = {{name == "~" || listed, 1}};
        QIM_FUZZ_ROWS(rows, setting);
    }

    const S defaults[] = {"", "Y", "N", "0", "8001", "99", "-3", "8"};
    const int kind = input.ConsumeIntegralInRange(0, 5),
              choice = input.ConsumeIntegralInRange(0, 14);
    const S value = input.ConsumeRandomLengthString(24).c_str();
    const auto type = Setting::SettingType(kind < 4 ? kind : kind == 4 ? 7 : -1);
    const auto kept = kind < 4 ? type : Setting::String;
    const S fallback =
        defaults[kept == Setting::Integer || kept == Setting::Unsigned ? 3 + choice % 5
                                                                       : choice % 3];
    const W wideFallback(fallback.begin(), fallback.end());
    setenv("QIM_DBG_FUZZ_SETTING", value.c_str(), 1);
    Setting record(L"FUZZ_SETTING", type, wideFallback.c_str()); // read from the environment
    record.setValue(EncodedString(value.c_str(), EncodedString::UTF8));
    const S rows[][2] = {{text(CharString(text(worker.destination()).c_str()).encoded()),
                          text(CharString(to.c_str()).encoded())},
                         {text(record.value) + "|" + std::to_string(record.number) + " " +
                              std::to_string(record.type),
                          fixed(value, kept, fallback) + " " + std::to_string(kept)}};
    QIM_FUZZ_ROWS(rows, setting + " " + value);
    return 0;
}
