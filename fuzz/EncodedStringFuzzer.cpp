//===- fuzz/EncodedStringFuzzer.cpp - UTF-8 strings and the native code page -*- C++ -*-===//
//
// Fuzz target encoded_string: EncodedString construction with each encoding, isValid,
// the native conversions in both directions and fromCodeset, with ISO-8859-1 as the
// native code set of the process (QIM_DBG_CODEPAGE, set before the converter is first
// used). ISO-8859-1 gives every byte a code point, so the expected native and UTF-8 forms
// are computed here without iconv. The stateful code sets ISO-2022-JP and UTF-7, whose
// native forms can be longer than the UTF-8 ones, are driven through converters of their
// own.
//
// Properties:
//   - isValid agrees with a plain check of the lead/continuation structure;
//   - UTF8 keeps the bytes; Detect keeps valid bytes and converts the others exactly as
//     Native does, which is the ISO-8859-1 reading of each byte;
//   - converting to native gives each representable character's Latin-1 byte and one '?'
//     per byte of anything else; text made only of representable characters comes back
//     unchanged from native, and so does text of the stateful code sets' repertoires;
//   - convert() and fromCodeset() agree with the conversions they stand for.
//
//===----------------------------------------------------------------------------===//
#include "fuzz/FuzzSupport.h"
#include "fuzz/ReferenceUtf8.h"

#include "utilities/strings/ByteString.h"
#include "utilities/strings/EncodedString.h"
#include "utilities/strings/UTF8Converter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using qimfuzz::bytesOf;
using qimfuzz::printable;

/// The Latin-1 form of UTF-8 bytes as iconv gives it, byte by byte: a character up to
/// U+00FF in its shortest form becomes its byte; every other byte becomes '?' alone (a
/// longer character is rejected at its lead byte, and its continuation bytes cannot start
/// one).
std::string expectedLatin1(const std::string& utf8) {
    std::string native;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
        if (byte < 0x80) {
            native += static_cast<char>(byte);
        } else if ((byte == 0xC2 || byte == 0xC3) && next >= 0x80 && next <= 0xBF) {
            native += static_cast<char>((byte & 0x03) << 6 | (next & 0x3F));
            ++i;
        } else {
            native += '?';
        }
    }
    return native;
}

/// UTF-8 text of characters picked from `repertoire` by the input bytes.
std::string textFrom(const std::string& picks, const std::vector<std::uint32_t>& repertoire) {
    std::vector<std::uint32_t> units;
    for (std::size_t i = 0; i + 1 < picks.size(); i += 2) {
        const unsigned int index =
            static_cast<unsigned char>(picks[i]) << 8 | static_cast<unsigned char>(picks[i + 1]);
        units.push_back(repertoire[index % repertoire.size()]);
    }
    return qimfuzz::referenceEncode(units);
}

/// Printable ASCII, which every code set here keeps as it is.
void addPrintableAscii(std::vector<std::uint32_t>& repertoire) {
    for (std::uint32_t c = 0x20; c < 0x7F; ++c)
        repertoire.push_back(c);
}

/// ASCII, the hiragana and the katakana of JIS X 0208: text ISO-2022-JP can carry.
const std::vector<std::uint32_t>& japaneseRepertoire() {
    static const std::vector<std::uint32_t> repertoire = [] {
        std::vector<std::uint32_t> characters;
        addPrintableAscii(characters);
        for (std::uint32_t c = 0x3041; c <= 0x3093; ++c)
            characters.push_back(c);
        for (std::uint32_t c = 0x30A1; c <= 0x30F6; ++c)
            characters.push_back(c);
        return characters;
    }();
    return repertoire;
}

/// A spread of Unicode scalar values of every UTF-8 length: text UTF-7 can carry.
const std::vector<std::uint32_t>& unicodeRepertoire() {
    static const std::vector<std::uint32_t> repertoire = [] {
        std::vector<std::uint32_t> characters;
        addPrintableAscii(characters);
        for (const std::uint32_t c :
             {0x09u, 0x0Au, 0x0Du, 0xE9u, 0xFFu, 0x100u, 0x7FFu, 0x800u, 0x20ACu, 0xD7FFu, 0xE000u,
              0xFFFDu, 0x10000u, 0x1F600u, 0x10FFFFu})
            characters.push_back(c);
        return characters;
    }();
    return repertoire;
}

void checkConstruction(const std::string& raw) {
    const std::string shown = printable(raw);
    const bool structured = qimfuzz::hasUtf8Structure(raw);
    const std::string asLatin1 = qimfuzz::latin1ToUtf8(raw);

    const EncodedString kept(raw.c_str(), EncodedString::UTF8);
    QIM_FUZZ_CHECK(bytesOf(kept) == raw, "UTF8 changed \"%s\"", shown.c_str());
    QIM_FUZZ_CHECK(kept.isValid() == structured, "isValid of \"%s\" is %d", shown.c_str(),
                   kept.isValid());
    const bool nonAscii = std::any_of(raw.begin(), raw.end(),
                                      [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    QIM_FUZZ_CHECK(kept.containsNonAscii() == nonAscii, "containsNonAscii of \"%s\" is %d",
                   shown.c_str(), kept.containsNonAscii());

    const EncodedString native(raw.c_str(), EncodedString::Native);
    QIM_FUZZ_CHECK(bytesOf(native) == asLatin1, "Native \"%s\" became \"%s\"", shown.c_str(),
                   printable(bytesOf(native)).c_str());
    const EncodedString detected(raw.c_str(), EncodedString::Detect);
    const std::string expectedDetected = structured ? raw : asLatin1;
    QIM_FUZZ_CHECK(bytesOf(detected) == expectedDetected, "Detect made \"%s\" into \"%s\"",
                   shown.c_str(), printable(bytesOf(detected)).c_str());
    QIM_FUZZ_CHECK(detected.isValid(), "Detect left \"%s\" invalid", shown.c_str());

    QIM_FUZZ_CHECK(bytesOf(fromCodeset(raw.c_str(), "ISO-8859-1")) == asLatin1,
                   "fromCodeset ISO-8859-1 of \"%s\"", shown.c_str());
    QIM_FUZZ_CHECK(bytesOf(fromCodeset(raw.c_str(), "UTF-8")) == raw, "fromCodeset UTF-8 of \"%s\"",
                   shown.c_str());
    QIM_FUZZ_CHECK(bytesOf(fromCodeset(raw.c_str(), nullptr)) == asLatin1,
                   "fromCodeset without a code set of \"%s\"", shown.c_str());
}

void checkToNative(const std::string& raw) {
    const std::string shown = printable(raw);
    const EncodedString text(raw.c_str(), EncodedString::UTF8);
    const std::string native = bytesOf(text.convertToNative());
    QIM_FUZZ_CHECK(native == expectedLatin1(raw), "\"%s\" became \"%s\" in Latin-1", shown.c_str(),
                   printable(native).c_str());
    QIM_FUZZ_CHECK(bytesOf(text.convert(EncodedString::Native)) == native,
                   "convert(Native) of \"%s\" differs from convertToNative", shown.c_str());
    QIM_FUZZ_CHECK(bytesOf(text.convert(EncodedString::UTF8)) == raw,
                   "convert(UTF8) of \"%s\" changed it", shown.c_str());

    EncodedString converted(text);
    converted.convertToUTF8();
    QIM_FUZZ_CHECK(bytesOf(converted) == qimfuzz::latin1ToUtf8(raw),
                   "convertToUTF8 of \"%s\" gave \"%s\"", shown.c_str(),
                   printable(bytesOf(converted)).c_str());
}

/// Text made of Latin-1 characters only goes to native and back unchanged.
void checkLatin1RoundTrip(const std::string& picks) {
    std::vector<std::uint32_t> units;
    for (const char c : picks)
        if (c != '\0')
            units.push_back(static_cast<unsigned char>(c));
    const std::string utf8 = qimfuzz::referenceEncode(units);
    const ByteString native = EncodedString(utf8.c_str(), EncodedString::UTF8).convertToNative();
    const EncodedString back(native.chars(), EncodedString::Native);
    QIM_FUZZ_CHECK(bytesOf(back) == utf8, "\"%s\" came back from Latin-1 as \"%s\"",
                   printable(utf8).c_str(), printable(bytesOf(back)).c_str());
}

/// Text of `converter`'s repertoire goes to native and back unchanged; arbitrary counted
/// bytes, zero bytes included, convert both ways and end at their first zero.
void checkStatefulCodeset(const UTF8Converter& converter,
                          const std::vector<std::uint32_t>& repertoire, const std::string& bytes) {
    const std::string utf8 = textFrom(bytes, repertoire);
    const ByteString native =
        converter.toNative(utf8.c_str(), static_cast<unsigned int>(utf8.size()));
    const ByteString back = converter.fromNative(native.chars(), native.length());
    QIM_FUZZ_CHECK(bytesOf(back) == utf8, "\"%s\" came back from %s \"%s\" as \"%s\"",
                   printable(utf8).c_str(), converter.nativeCodeset(),
                   printable(bytesOf(native)).c_str(), printable(bytesOf(back)).c_str());

    const auto length = static_cast<unsigned int>(bytes.size());
    const ByteString toNative = converter.toNative(bytes.c_str(), length);
    const ByteString fromNative = converter.fromNative(bytes.c_str(), length);
    QIM_FUZZ_CHECK(toNative.length() == std::char_traits<char>::length(toNative.chars()) &&
                       fromNative.length() == std::char_traits<char>::length(fromNative.chars()),
                   "a conversion of \"%s\" with %s holds a zero byte", printable(bytes).c_str(),
                   converter.nativeCodeset());
}

const UTF8Converter* iso2022jp = nullptr;
const UTF8Converter* utf7 = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qimfuzz::pinProcessWideObjects("ISO-8859-1");
    iso2022jp = new UTF8Converter("ISO-2022-JP");
    utf7 = new UTF8Converter("UTF-7");
    if (std::string(UTF8Converter::instance().nativeCodeset()) != "ISO-8859-1" ||
        !iso2022jp->hasToNative() || !utf7->hasToNative())
        qimfuzz::failCheck(__FILE__, __LINE__, "code sets",
                           "iconv lacks a code set this target needs");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string raw = input.c_str(); // text ends at its first zero byte
    checkConstruction(raw);
    checkToNative(raw);
    checkLatin1RoundTrip(input);
    checkStatefulCodeset(*iso2022jp, japaneseRepertoire(), input);
    checkStatefulCodeset(*utf7, unicodeRepertoire(), input);
    return 0;
}
