//===- fuzz/ReferenceDecimal.h - Decimal numbers as the C library reads them -*- C++ -*-===//
//
// The fuzz targets judge the library's number readers (the "%d%c"-style whole-text
// readers of strings, settings, the shell's parameters and records) against strtoll and
// strtoull. Where a number is too large for the type the library reads it into, the
// result is the library's own choice; `inRange` tells the targets when the reading is
// defined and must agree.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_FUZZ_REFERENCEDECIMAL_H
#define QIM_FUZZ_REFERENCEDECIMAL_H

namespace qimfuzz {

/// What the C library reads at the start of a zero-terminated text.
struct DecimalReading {
    /// A number begins the text: optional white space, an optional sign, digits.
    bool found = false;
    /// ...and nothing follows its digits.
    bool whole = false;
    /// ...and its value fits the range asked for.
    bool inRange = false;
    /// The value (for an unsigned reading, the bit pattern of the negated magnitude when
    /// the text has a minus sign, as strtoull gives it).
    long long value = 0;
};

/// strtoll over `text`, in range when the value lies within `low` to `high`.
DecimalReading readSignedDecimal(const char* text, long long low, long long high);

/// strtoull over `text`, in range when the magnitude, the sign aside, is at most `high`.
DecimalReading readUnsignedDecimal(const char* text, unsigned long long high);

} // namespace qimfuzz

#endif
