//===- utilities/files/FileName.h - Parsed path name of a file ------*- C++ -*-===//
//
// The path name of a file, parsed once into the positions of its file part, its extension
// and an optional archive member in parentheses at its end ("lib/libx.a(shr.o)"). Runs of
// separators are collapsed when the name is parsed. The parts come out as strings; parts
// can be replaced; rationalizePath() removes ".", ".." and empty components from the
// directory part; equality takes a shared library name with a numeric version suffix
// ("libc.so.6") as equal to the same name ending in ".so".
//
// Positions count characters (code points) of the name from 1, 0 meaning "none"; they are
// 16 bits wide. A name that has no file part position is not valid: the empty name, a
// name ending with "/" (reported as an ERROR trace record) and a name longer than 65535
// characters, which the positions cannot describe. Operations that replace parts leave an
// invalid name unchanged.
//
// Usage:
//   FileName library(EncodedString("lib/libc.a(shr.o)", EncodedString::UTF8));
//   EncodedString member = library.member();          // "shr.o"
//   library.setMember(EncodedString());                // "lib/libc.a"
//   library.qualify(EncodedString("/usr", EncodedString::UTF8));   // "/usr/lib/libc.a"
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_FILES_FILENAME_H
#define QIM_UTILITIES_FILES_FILENAME_H

#include "utilities/strings/CharString.h"
#include "utilities/strings/EncodedString.h"

#include <cstdint>

class FileName {
public:
    /// The largest number of characters a name can have and still be described.
    static constexpr unsigned int maximumLength = 0xFFFFu;

    /// The empty, invalid name.
    FileName();
    /// `text` as the name, parsed.
    FileName(const CharString& text);
    FileName(const EncodedString& text);
    /// Copies every member, the cached hash included; no new parse.
    FileName(const FileName& other) = default;
    FileName& operator=(const FileName& other) = default;
    ~FileName() = default;

    /// Parses the name again (see the class comment). The argument has no effect.
    void validate(int unused = 0);
    /// Removes empty, "." and ".." components from the directory part; leaves an absolute
    /// name whose ".." would climb above the root unchanged. Returns this name.
    FileName& rationalizePath();

    /// Characters 1 to fileStart - 1, the final "/" included; empty when there is none.
    EncodedString directory() const;
    /// The file part without a member part; an empty FileName when this one is invalid.
    FileName fileName() const;
    /// The file part up to its extension (to the end without an extension).
    FileName baseName() const;
    /// The extension with its period, without a member part; empty without a period.
    EncodedString extension() const;
    /// The member between the parentheses; empty without a member part.
    EncodedString member() const;
    /// True when the name is valid and begins with "/".
    bool isAbsolute() const;
    /// True when the name is valid.
    bool isValid() const { return _fileStart != 0; }
    /// True when `text` is not empty and a FileName made from it is valid.
    static bool isValid(const EncodedString& text);

    /// The byte at 1-based `position` of the stored name, unchecked: the caller keeps the
    /// position within 1 to name().length().
    const char& operator[](unsigned int position) const { return _name[position]; }

    /// The StringBuffer hash of the name, computed on the first call after a change and
    /// kept until the next change.
    std::uint32_t hashValue();

    /// Replaces the directory part by `directory` (a "/" is added when it lacks one).
    FileName& setDirectory(const EncodedString& directory);
    /// Replaces the extension by `extension` (a period is added when it lacks one); the
    /// empty string removes it.
    FileName& setExtension(const EncodedString& extension);
    /// Replaces, adds or (with the empty string) removes the member part.
    FileName& setMember(const EncodedString& member);
    /// Puts a relative name behind `base` and "/", then rationalizes.
    FileName& qualify(const EncodedString& base);

    /// Equal names, or one ending in ".so" and the other the same name with a numeric
    /// extension instead ("libc.so" and "libc.so.6").
    bool operator==(const FileName& other) const;
    bool operator!=(const FileName& other) const { return !(*this == other); }

    std::uint16_t fileStart() const { return _fileStart; }
    std::uint16_t periodPos() const { return _periodPos; }
    std::uint16_t memberPos() const { return _memberPos; }
    bool hashValid() const { return _hashValid != 0; }
    const EncodedString& name() const { return _name; }

private:
    /// Replaces the name by `text` and parses it.
    void assign(const EncodedString& text);
    void resetPositions();

    std::uint16_t _fileStart;
    std::uint16_t _periodPos;
    std::uint16_t _memberPos;
    std::uint8_t _hashValid;
    std::uint32_t _hash;
    EncodedString _name;
};

/// The shared constant strings of file names, each created on first use and never freed:
/// "/", "//", ".", "(" and ")".
const CharString& PathSepString();
const CharString& PathSepString2();
const CharString& PeriodString();
const CharString& LeftParenString();
const CharString& RightParenString();

#endif
