//===- fuzz/Utf8CodecFuzzer.cpp - The UTF-8 <-> UTF-32 codec -*- C++ -*-===//
//
// Fuzz target utf8_codec: UnicodeUtilities::utf8toUnicode and unicodeToUTF8 against the
// plain reference codec.
//
// The input is used twice: as a zero-terminated byte text to decode, and as 32-bit groups
// that become code units to encode (the top three bits of a group pick the form length,
// so that every form, and units without one, turn up often). Each conversion runs
//   - into an output of exactly the size it needs, on the heap, so that AddressSanitizer
//     reports a write past it (and the input sits in an exact-size block too, so a block
//     read past its terminator is reported as well);
//   - into outputs of several declared sizes, larger and smaller than needed, followed by
//     guard elements that must come back untouched.
// Properties: the result and the text equal the reference; every '.' of a decoded text is
// a byte that could not be decoded or a '.' of the input; an output one element too small,
// or smaller, gives 0; valid UTF-8 (shortest forms) decodes and encodes back to the same
// bytes; encoded units decode back to themselves.
//
//===----------------------------------------------------------------------------===//
#include "fuzz/FuzzSupport.h"
#include "fuzz/ReferenceUtf8.h"

#include "utilities/strings/UnicodeUtilities.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

using qimfuzz::printable;

/// Elements after the declared output that must stay as they are.
constexpr std::size_t guardCount = 16;
constexpr wchar_t unitGuard = static_cast<wchar_t>(0x5A5A5A5A);
constexpr char byteGuard = static_cast<char>(0xA5);

/// The declared output sizes tried for a conversion that needs `needed` elements: exactly
/// enough, more, one too few, none, and one picked by the input below the need.
std::vector<unsigned int> outputSizes(unsigned int needed, unsigned int pick) {
    std::vector<unsigned int> sizes = {needed, needed + 5, needed - 1, 0, pick % needed};
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    return sizes;
}

/// The code units that the 32-bit group `group` stands for.
std::uint32_t unitOf(std::uint32_t group) {
    const std::uint32_t bits = group & 0x1FFFFFFF;
    switch (group >> 29) {
    case 0:
        return bits & 0x7F;
    case 1:
        return bits & 0x7FF;
    case 2:
        return bits & 0xFFFF;
    case 3:
        return bits & 0x1FFFFF;
    case 4:
        return bits & 0x3FFFFFF;
    case 5:
        return bits << 2 | 3; // up to 0x7FFFFFFF: the 6-byte forms
    case 6:
        return group | 0x80000000; // no form: skipped
    default:
        return bits & 0xFF;
    }
}

std::wstring decodeWithLibrary(const char* text, unsigned int slots) {
    std::vector<wchar_t> out(slots);
    const unsigned int written = UnicodeUtilities::utf8toUnicode(text, out.data(), slots);
    QIM_FUZZ_CHECK(written != 0, "decoding \"%s\" into %u slots failed",
                   printable(std::string(text)).c_str(), slots);
    return std::wstring(out.data(), written - 1);
}

std::string encodeWithLibrary(const wchar_t* units, unsigned int size) {
    std::vector<char> out(size);
    const unsigned int written = UnicodeUtilities::unicodeToUTF8(units, out.data(), size);
    QIM_FUZZ_CHECK(written != 0, "encoding \"%s\" into %u bytes failed",
                   printable(std::wstring(units)).c_str(), size);
    return std::string(out.data(), written - 1);
}

/// Runs `convert(out, size)`, a conversion that needs `needed` output elements and should
/// give `expected`, into outputs of several sizes: exactly `needed` elements on the heap and
/// one fewer (so that AddressSanitizer sees a write past either), then the sizes of
/// outputSizes followed by guard elements. The result must be `needed` when the size
/// allows it and 0 otherwise, a complete output must hold `expected` and its terminator,
/// and the guards must stay untouched. Returns what the exact output holds.
template <typename Unit, typename Convert>
std::basic_string<Unit> checkOutputs(Convert convert, unsigned int needed, unsigned int pick,
                                     const std::basic_string<Unit>& expected, Unit guard,
                                     const char* what, const std::string& shown) {
    std::unique_ptr<Unit[]> exact(new Unit[needed]);
    const unsigned int written = convert(exact.get(), needed);
    QIM_FUZZ_CHECK(written == needed, "%s \"%s\" gave %u elements, expected %u", what,
                   shown.c_str(), written, needed);
    const std::basic_string<Unit> converted(exact.get(), needed - 1);
    QIM_FUZZ_CHECK(converted == expected && exact[needed - 1] == Unit(),
                   "%s \"%s\" gave \"%s\", expected \"%s\"", what, shown.c_str(),
                   printable(converted).c_str(), printable(expected).c_str());
    if (needed > 1) {
        std::unique_ptr<Unit[]> tooSmall(new Unit[needed - 1]);
        const unsigned int result = convert(tooSmall.get(), needed - 1);
        QIM_FUZZ_CHECK(result == 0, "%s \"%s\" into %u of the %u elements needed gave %u", what,
                       shown.c_str(), needed - 1, needed, result);
    }
    for (const unsigned int size : outputSizes(needed, pick)) {
        std::vector<Unit> out(size + guardCount, guard);
        const unsigned int result = convert(out.data(), size);
        QIM_FUZZ_CHECK(result == (size >= needed ? needed : 0u),
                       "%s \"%s\" into %u elements (%u needed) gave %u", what, shown.c_str(), size,
                       needed, result);
        QIM_FUZZ_CHECK(std::all_of(out.begin() + size, out.end(),
                                   [guard](Unit unit) { return unit == guard; }),
                       "%s \"%s\" into %u elements wrote past them", what, shown.c_str(), size);
        if (result != 0)
            QIM_FUZZ_CHECK(std::basic_string<Unit>(out.data(), result - 1) == expected,
                           "%s \"%s\" into %u elements differs", what, shown.c_str(), size);
    }
    return converted;
}

void checkDecoding(const std::string& text, unsigned int pick) {
    const qimfuzz::DecodedText expected = qimfuzz::referenceDecode(text);
    const std::wstring expectedUnits = qimfuzz::toWide(expected.units);
    const std::string shown = printable(text);

    // The input in a block of exactly its size, so that a read past its terminator shows.
    std::unique_ptr<char[]> input(new char[text.size() + 1]);
    std::memcpy(input.get(), text.c_str(), text.size() + 1);
    const std::wstring units = checkOutputs(
        [&input](wchar_t* out, unsigned int size) {
            return UnicodeUtilities::utf8toUnicode(input.get(), out, size);
        },
        static_cast<unsigned int>(expectedUnits.size() + 1), pick, expectedUnits, unitGuard,
        "decoding", shown);

    const auto periods = static_cast<std::size_t>(std::count(units.begin(), units.end(), L'.'));
    QIM_FUZZ_CHECK(periods == expected.badBytes + expected.decodedPeriods,
                   "\"%s\" decodes with %zu '.', but it has %zu bad bytes and %zu periods",
                   shown.c_str(), periods, expected.badBytes, expected.decodedPeriods);

    // Valid UTF-8 in its shortest forms encodes back to the same bytes.
    if (expected.badBytes == 0 && expected.shortestForms) {
        const std::string back =
            encodeWithLibrary(units.c_str(), static_cast<unsigned int>(6 * units.size() + 1));
        QIM_FUZZ_CHECK(back == text, "valid \"%s\" came back as \"%s\"", shown.c_str(),
                       printable(back).c_str());
    }
}

void checkEncoding(const std::vector<std::uint32_t>& unitValues, unsigned int pick) {
    const std::wstring wide = qimfuzz::toWide(unitValues);
    const std::string expected = qimfuzz::referenceEncode(unitValues);
    const std::string shown = printable(wide);

    std::unique_ptr<wchar_t[]> input(new wchar_t[wide.size() + 1]);
    std::wmemcpy(input.get(), wide.c_str(), wide.size() + 1);
    const std::string bytes = checkOutputs(
        [&input](char* out, unsigned int size) {
            return UnicodeUtilities::unicodeToUTF8(input.get(), out, size);
        },
        static_cast<unsigned int>(expected.size() + 1), pick, expected, byteGuard, "encoding",
        shown);

    // Every unit with a form comes back from its encoding; the others were skipped.
    std::wstring kept;
    for (const wchar_t unit : wide)
        if (qimfuzz::referenceEncodedLength(static_cast<std::uint32_t>(unit)) != 0)
            kept += unit;
    const std::wstring back =
        decodeWithLibrary(bytes.c_str(), static_cast<unsigned int>(bytes.size() + 1));
    QIM_FUZZ_CHECK(back == kept, "\"%s\" came back from UTF-8 as \"%s\"", shown.c_str(),
                   printable(back).c_str());
}

} // namespace

QIM_FUZZ_INITIALIZE_WITH_CODESET(nullptr)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto pick = static_cast<unsigned int>(size == 0 ? 0 : data[size - 1]) * 7 + 3;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    checkDecoding(bytes.c_str(), pick); // up to the first zero byte, as the decoder reads

    // The units up to the first zero one, as the encoder reads them.
    std::vector<std::uint32_t> unitValues;
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        std::uint32_t group;
        std::memcpy(&group, data + i, sizeof group);
        const std::uint32_t unit = unitOf(group);
        if (unit == 0)
            break;
        unitValues.push_back(unit);
    }
    checkEncoding(unitValues, pick);
    return 0;
}
