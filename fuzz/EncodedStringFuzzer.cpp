//===- fuzz/EncodedStringFuzzer.cpp - UTF-8 strings and the native code page -*- C++ -*-===//
//
// Fuzz target encoded_string: EncodedString with each encoding, isValid and the native
// conversions, with ISO-8859-1 as the native code set; ISO-2022-JP and UTF-7, whose native
// forms can be longer than the UTF-8 ones, through converters of their own. The input, up to
// its first zero byte, is the text; pairs of input bytes pick characters of the stateful
// code sets' repertoires.
// Properties, with iconv as the oracle: native text becomes its UTF-8 form; Detect keeps
// valid UTF-8 and converts the rest; in the native form a byte that iconv rejects becomes
// one '?'; text of a code set's repertoire goes to native and back unchanged.
//
//===----------------------------------------------------------------------------===//
#include "fuzz/FuzzSupport.h"

#include "utilities/strings/EncodedString.h"
#include "utilities/strings/UTF8Converter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const S raw = S(reinterpret_cast<const char*>(data), size).c_str();
    const EncodedString kept(raw.c_str(), EncodedString::UTF8);
    S latin1, native, utf8;
    iconvert("ISO-8859-1", "UTF-8", raw, latin1);
    const bool valid = iconvert("UTF-8", "WCHAR_T", raw, utf8) == raw.size();
    const std::size_t accepted = iconvert("UTF-8", "ISO-8859-1", raw, native);
    if (accepted < raw.size()) // a rejected byte becomes '?', and the conversion goes on
        native +=
            "?" + text(EncodedString(&raw[accepted + 1], EncodedString::UTF8).convertToNative());
    const S rows[][2] = {
        {text(kept), raw},
        {text(EncodedString(raw.c_str(), EncodedString::Native)), latin1},
        {text(EncodedString(raw.c_str(), EncodedString::Detect)), kept.isValid() ? raw : latin1},
        {text(kept.convertToNative()), native},
        {valid && !kept.isValid() ? "invalid" : "", ""}};
    QIM_FUZZ_ROWS(rows, raw);

    // Printable ASCII, then hiragana and katakana for ISO-2022-JP, characters of every UTF-8
    // length for UTF-7.
    static const UTF8Converter* const converters[] = {new UTF8Converter("ISO-2022-JP"),
                                                      new UTF8Converter("UTF-7")};
    static W sets[2];
    for (wchar_t c = 0x20; sets[1].empty() && c < 0x30F7; ++c)
        sets[0] += c < 0x7F || (c >= 0x3041 && c <= 0x3093) || c >= 0x30A1 ? W(1, c) : L"";
    if (sets[1].empty())
        sets[1] = sets[0].substr(0, 95) + L"\t\n\r\u00E9\u00FF\u0100\u07FF\u0800\u20AC\uD7FF\uE000"
                                          L"\uFFFD\U00010000\U0001F600\U0010FFFF";
    for (int set = 0; set < 2; ++set) {
        W units;
        for (std::size_t i = 0; i + 1 < size; i += 2)
            units += sets[set][(data[i] << 8 | data[i + 1]) % sets[set].size()];
        iconvert("WCHAR_T", "UTF-8",
                 S(reinterpret_cast<const char*>(units.data()), 4 * units.size()), utf8);
        const ByteString there = converters[set]->toNative(utf8.c_str(), utf8.size());
        const S back[][2] = {
            {text(converters[set]->fromNative(there.chars(), there.length())), utf8}};
        QIM_FUZZ_ROWS(back, utf8);
    }
    return 0;
}
