//===- fuzz/Utf8CodecFuzzer.cpp - The UTF-8 <-> UTF-32 codec -*- C++ -*-===//
//
// Fuzz target utf8_codec: UnicodeUtilities::utf8toUnicode and unicodeToUTF8. The input is a
// zero-terminated text to decode, and 32-bit groups that become code units to encode (the
// top three bits of a group pick the form length; the last input byte picks a short output).
// Properties: each conversion fills an output of exactly the size it needs and gives 0 for a
// smaller one (exact-size heap blocks, so that AddressSanitizer sees a write past them);
// glibc's iconv, which takes the 5- and 6-byte forms too, decodes the same as far as it
// accepts the text, and encodes the same as far as it accepts the units; units decode back
// from their encoding.
//
//===----------------------------------------------------------------------------===//
#include "fuzz/FuzzSupport.h"

#include "utilities/strings/UnicodeUtilities.h"

template <typename In, typename Out>
static std::basic_string<Out> converted(unsigned int (*convert)(const In*, Out*, unsigned int),
                                        const std::basic_string<In>& in, unsigned int pick) {
    const std::vector<In> input(in.c_str(), in.c_str() + in.size() + 1);
    std::basic_string<Out> out(6 * input.size(), Out());
    const unsigned int needed = std::max(convert(input.data(), &out[0], out.size()), 1u);
    for (const unsigned int size : {needed, needed - 1, pick % needed}) {
        const std::unique_ptr<Out[]> exact(new Out[size]);
        const unsigned int rows[][2] = {
            {convert(input.data(), exact.get(), size), size == needed ? needed : 0}};
        QIM_FUZZ_ROWS(rows, in);
    }
    return out.substr(0, needed - 1);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const unsigned int pick = (size == 0 ? 0 : data[size - 1]) * 7 + 3;
    const S bytes = S(reinterpret_cast<const char*>(data), size).c_str();
    S valid, encoded;
    const std::size_t accepted = iconvert("UTF-8", "WCHAR_T", bytes, valid);
    const W known(reinterpret_cast<const wchar_t*>(valid.data()), valid.size() / 4);
    const W decoded = converted(UnicodeUtilities::utf8toUnicode, bytes, pick);
    std::size_t next = std::min(accepted + 1, bytes.size()); // a byte that can start a sequence
    while (next < bytes.size() && (bytes[next] & 0xC0) == 0x80)
        ++next;
    const S rejected = bytes.substr(accepted, next - accepted);
    const W alone = converted(UnicodeUtilities::utf8toUnicode, rejected, pick);
    bool cut = false; // what iconv rejects and is cut short, or starts no sequence, is all '.'
    iconvert("UTF-8", "WCHAR_T", rejected, valid, &cut);
    cut = cut || (rejected[0] & 0xC0) == 0x80 || (rejected[0] & 0xFE) == 0xFE;
    W units, kept; // up to the first zero unit; kept: the units that have a form
    for (std::uint32_t i = 0, g; i + 4 <= size; i += 4) {
        std::memcpy(&g, data + i, sizeof g);
        const std::uint32_t masks[] = {0x7F, 0x7FF, 0xFFFF, 0x1FFFFF, 0x3FFFFFF, 0, 0, 0xFF};
        const std::uint32_t form = g >> 29, bits = g & 0x1FFFFFFF;
        const auto unit = wchar_t(form == 5   ? bits << 2 | 3
                                  : form == 6 ? g | 0x80000000
                                              : g & masks[form]);
        if (unit == 0)
            break;
        units += unit;
        kept += unit > 0 ? W(1, unit) : L"";
    }
    const S back = converted(UnicodeUtilities::unicodeToUTF8, units, pick);
    iconvert("WCHAR_T", "UTF-8", S(reinterpret_cast<const char*>(kept.data()), 4 * kept.size()),
             encoded);
    const W rows[][2] = {
        {decoded,
         known + alone + converted(UnicodeUtilities::utf8toUnicode, bytes.substr(next), pick)},
        {alone.substr(alone.empty() ? 0 : 1), W(alone.size() - !alone.empty(), L'.')},
        {cut ? alone : W(), cut ? W(rejected.size(), L'.') : W()},
        {converted(UnicodeUtilities::utf8toUnicode, back, pick), kept},
        {W(back.begin(), back.begin() + std::min(back.size(), encoded.size())),
         W(encoded.begin(), encoded.end())}};
    QIM_FUZZ_ROWS(rows, bytes);
    return 0;
}
