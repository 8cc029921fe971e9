//===- fuzz/ReferenceUtf8.h - A plain UTF-8 codec to compare against -*- C++ -*-===//
//
// The fuzz targets judge the library's UTF-8 handling against this codec, written apart
// from the library's own and as plainly as the rules allow: one byte or one code unit at
// a time, no blocks, no tables shared with the library. Its rules are the library's:
// the 5- and 6-byte forms of the original UTF-8 definition count, overlong forms are
// decoded as they come, every byte that cannot be decoded becomes '.', code units of
// 0x80000000 and above have no form.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_FUZZ_REFERENCEUTF8_H
#define QIM_FUZZ_REFERENCEUTF8_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qimfuzz {

/// What decoding a byte text gives.
struct DecodedText {
    /// The code units, without a terminator.
    std::vector<std::uint32_t> units;
    /// The bytes that could not be decoded, each of which became one '.'.
    std::size_t badBytes = 0;
    /// The sequences that were decoded and stand for '.' themselves.
    std::size_t decodedPeriods = 0;
    /// False when some sequence was longer than its value needs (an overlong form).
    bool shortestForms = true;
};

/// Decodes the `length` bytes at `bytes`; a zero byte is not a continuation byte, so a
/// sequence never reaches past one.
DecodedText referenceDecode(const unsigned char* bytes, std::size_t length);
DecodedText referenceDecode(const std::string& bytes);

/// The bytes of the UTF-8 form of `value`: 1 to 6, or 0 when it has none.
unsigned int referenceEncodedLength(std::uint32_t value);

/// The UTF-8 form of `units`, up to the first zero unit; units without a form are skipped.
std::string referenceEncode(const std::vector<std::uint32_t>& units);

/// True when the bytes have UTF-8 lead/continuation structure, the values not looked at.
bool hasUtf8Structure(const std::string& bytes);

/// The UTF-8 form of the ISO-8859-1 text `latin1`: each byte is the code point it stands for.
std::string latin1ToUtf8(const std::string& latin1);

/// `text` as wide units, for the library's wide strings.
std::wstring toWide(const std::vector<std::uint32_t>& units);

/// The wide text that decoding `bytes` gives, and the UTF-8 form of a wide text.
std::wstring referenceDecodeWide(const std::string& bytes);
std::string referenceEncodeWide(const std::wstring& text);

} // namespace qimfuzz

#endif
