//===- fuzz/ReferenceUtf8.cpp - A plain UTF-8 codec to compare against ----===//
#include "fuzz/ReferenceUtf8.h"

namespace qimfuzz {

namespace {

bool isContinuation(unsigned char byte) {
    return byte >= 0x80 && byte <= 0xBF;
}

/// The lead bytes of each sequence length; the value bits of a lead byte are its distance
/// from the first of its range.
struct LeadRange {
    unsigned char first;
    unsigned char last;
    unsigned int length;
};
const LeadRange leadRanges[] = {{0x00, 0x7F, 1}, {0xC0, 0xDF, 2}, {0xE0, 0xEF, 3},
                                {0xF0, 0xF7, 4}, {0xF8, 0xFB, 5}, {0xFC, 0xFD, 6}};

/// The largest value of each UTF-8 form, from 1 byte to 6.
const std::uint32_t formLimits[] = {0x7F, 0x7FF, 0xFFFF, 0x1FFFFF, 0x3FFFFFF, 0x7FFFFFFF};

/// The length of the sequence that `lead` starts (0 when it starts none: 0x80 to 0xBF,
/// 0xFE, 0xFF) and the value bits the lead byte carries.
unsigned int sequenceOf(unsigned char lead, std::uint32_t& bits) {
    for (const LeadRange& range : leadRanges) {
        if (lead >= range.first && lead <= range.last) {
            bits = lead - range.first;
            return range.length;
        }
    }
    return 0;
}

} // namespace

DecodedText referenceDecode(const unsigned char* bytes, std::size_t length) {
    DecodedText decoded;
    std::size_t i = 0;
    while (i < length) {
        std::uint32_t value = 0;
        const unsigned int sequence = sequenceOf(bytes[i], value);
        bool complete = sequence != 0;
        for (unsigned int k = 1; complete && k < sequence; ++k) {
            if (i + k >= length || !isContinuation(bytes[i + k]))
                complete = false;
            else
                value = value * 64 + (bytes[i + k] - 0x80u);
        }
        if (!complete) {
            decoded.units.push_back('.');
            ++decoded.badBytes;
            ++i;
            continue;
        }
        if (referenceEncodedLength(value) != sequence)
            decoded.shortestForms = false;
        if (value == '.')
            ++decoded.decodedPeriods;
        decoded.units.push_back(value);
        i += sequence;
    }
    return decoded;
}

DecodedText referenceDecode(const std::string& bytes) {
    return referenceDecode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

unsigned int referenceEncodedLength(std::uint32_t value) {
    for (unsigned int length = 1; length <= 6; ++length)
        if (value <= formLimits[length - 1])
            return length;
    return 0;
}

std::string referenceEncode(const std::vector<std::uint32_t>& units) {
    static const unsigned char leadMarks[7] = {0, 0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
    std::string bytes;
    for (const std::uint32_t value : units) {
        if (value == 0)
            break;
        const unsigned int length = referenceEncodedLength(value);
        if (length == 0)
            continue;
        if (length == 1) {
            bytes += static_cast<char>(value);
            continue;
        }
        // The groups of six bits, least significant first, then written in reverse.
        unsigned char groups[6];
        std::uint32_t rest = value;
        for (unsigned int k = 0; k + 1 < length; ++k) {
            groups[k] = static_cast<unsigned char>(0x80 + rest % 64);
            rest /= 64;
        }
        bytes += static_cast<char>(leadMarks[length] + rest);
        for (unsigned int k = length - 1; k > 0; --k)
            bytes += static_cast<char>(groups[k - 1]);
    }
    return bytes;
}

bool hasUtf8Structure(const std::string& bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::uint32_t bits = 0;
        const unsigned int sequence = sequenceOf(static_cast<unsigned char>(bytes[i]), bits);
        if (sequence == 0 || i + sequence > bytes.size())
            return false;
        for (unsigned int k = 1; k < sequence; ++k)
            if (!isContinuation(static_cast<unsigned char>(bytes[i + k])))
                return false;
        i += sequence;
    }
    return true;
}

std::string latin1ToUtf8(const std::string& latin1) {
    std::vector<std::uint32_t> units;
    for (const char c : latin1)
        units.push_back(static_cast<unsigned char>(c));
    return referenceEncode(units);
}

std::wstring toWide(const std::vector<std::uint32_t>& units) {
    std::wstring wide;
    for (const std::uint32_t unit : units)
        wide += static_cast<wchar_t>(unit);
    return wide;
}

std::wstring referenceDecodeWide(const std::string& bytes) {
    return toWide(referenceDecode(bytes).units);
}

std::string referenceEncodeWide(const std::wstring& text) {
    std::vector<std::uint32_t> units;
    for (const wchar_t unit : text)
        units.push_back(static_cast<std::uint32_t>(unit));
    return referenceEncode(units);
}

} // namespace qimfuzz
