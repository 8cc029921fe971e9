//===- utilities/files/UNIXFileName.cpp - Parsed path name of a file -----===//
//
// Every operation decodes the stored UTF-8 name into a CharString, so that positions count
// characters, cuts the parts it needs at the stored positions and encodes them back.
//
//===----------------------------------------------------------------------------===//
#include "utilities/files/FileName.h"

#include "utilities/diagnostics/TraceEntry.h"

#include <vector>

namespace {

/// The place that the trace records of this file name.
const char* const tracePlace = "UNIXFileName";

CharString decoded(const EncodedString& text) {
    return CharString().loadFrom(text.buffer(), EncodedString::UTF8);
}

/// Characters `first` to `last` of `text` (1-based, both included) in UTF-8; empty when
/// `last` is before `first`.
EncodedString characters(const CharString& text, unsigned int first, unsigned int last) {
    if (first == 0 || last < first)
        return EncodedString();
    return CharString(text, first, last - first + 1, L'\0').encoded();
}

/// Collapses every run of separators into one. The result is the one that replacing the
/// first "//" by "/" again and again until the length no longer changes gives, in one pass.
void collapseSeparators(CharString& text) {
    if (text.indexOf(PathSepString2()) == 0)
        return;
    const wchar_t separator = PathSepString()[1];
    std::vector<wchar_t> kept;
    kept.reserve(text.length());
    for (unsigned int i = 1; i <= text.length(); ++i)
        if (text[i] != separator || kept.empty() || kept.back() != separator)
            kept.push_back(text[i]);
    text = CharString(kept.data(), static_cast<unsigned int>(kept.size()));
}

/// True when `extension` is a period followed by one or more decimal digits.
bool isNumericExtension(const EncodedString& extension) {
    return extension.length() > 1 && CharString(decoded(extension), 2).isDigits();
}

const EncodedString& sharedLibraryExtension() {
    static const EncodedString* const so = new EncodedString(L".so");
    return *so;
}

/// True when `versioned` has a numeric extension, `plain` has ".so", and the two names
/// are the same once the numeric extension is removed: libc.so.6 is a version of libc.so.
bool isVersionOf(const FileName& versioned, const FileName& plain) {
    if (!isNumericExtension(versioned.extension()) ||
        !(plain.extension() == sharedLibraryExtension()))
        return false;
    FileName withoutVersion(versioned);
    withoutVersion.setExtension(EncodedString());
    return withoutVersion.name() == plain.name();
}

} // namespace

const CharString& PathSepString() {
    static const CharString* const text = new CharString(L"/");
    return *text;
}

const CharString& PathSepString2() {
    static const CharString* const text = new CharString(L"//");
    return *text;
}

const CharString& PeriodString() {
    static const CharString* const text = new CharString(L".");
    return *text;
}

const CharString& LeftParenString() {
    static const CharString* const text = new CharString(L"(");
    return *text;
}

const CharString& RightParenString() {
    static const CharString* const text = new CharString(L")");
    return *text;
}

FileName::FileName() : _fileStart(0), _periodPos(0), _memberPos(0), _hashValid(0), _hash(0) {}

FileName::FileName(const CharString& text) : FileName(text.encoded()) {}

FileName::FileName(const EncodedString& text)
    : _fileStart(0), _periodPos(0), _memberPos(0), _hashValid(0), _hash(0), _name(text) {
    validate(0);
}

void FileName::resetPositions() {
    _fileStart = 0;
    _periodPos = 0;
    _memberPos = 0;
    _hashValid = 0;
    _hash = 0;
}

void FileName::assign(const EncodedString& text) {
    _name = text;
    validate(0);
}

void FileName::validate(int /*unused*/) {
    resetPositions();
    const unsigned int bytes = _name.length();
    if (bytes == 0)
        return;
    if (_name[bytes] == '/') {
        traceError(tracePlace, __LINE__, "Filename ends with PathSepChar.");
        return;
    }

    // The name is stored as the UTF-8 form of the text, which ends at its first U+0000 (an
    // overlong form such as C0 80 decodes to it): the positions count that text alone, so
    // that they describe the name as stored.
    CharString text(decoded(_name).buffer());
    collapseSeparators(text);
    const unsigned int n = text.length();
    if (n == 0)
        return; // nothing before a zero: nothing to describe
    if (n > maximumLength) {
        // The 16-bit positions cannot describe the name: it stays as it is, not valid.
        traceError(tracePlace, __LINE__, "Filename longer than %u characters.", maximumLength);
        return;
    }

    const wchar_t separator = PathSepString()[1];
    const wchar_t period = PeriodString()[1];
    const wchar_t leftParen = LeftParenString()[1];
    unsigned int periodPos = text[n] == period ? n : 0;
    unsigned int memberPos = 0;
    bool memberMode = text[n] == RightParenString()[1];
    unsigned int separatorPos = 0;
    for (unsigned int p = n - 1; p >= 1; --p) {
        const wchar_t c = text[p];
        if (c == separator && !memberMode) {
            separatorPos = p;
            break;
        }
        if (c == period && !memberMode && periodPos == 0) {
            periodPos = p;
        } else if (c == leftParen && memberMode && memberPos == 0) {
            memberPos = p;
            memberMode = false;
        }
    }
    _fileStart = static_cast<std::uint16_t>(separatorPos + 1);
    _periodPos = static_cast<std::uint16_t>(periodPos);
    _memberPos = static_cast<std::uint16_t>(memberPos);
    _name = text.encoded();
}

FileName& FileName::rationalizePath() {
    if (!isValid())
        return *this;
    const CharString text = decoded(_name);
    const CharString parent(L"..");
    const bool absolute = isAbsolute();

    // The directory components from the last to the first; empty ones and "." are dropped,
    // each ".." cancels the nearest ordinary name before it.
    std::vector<CharString> kept;      // backward
    unsigned int pending = 0;          // ".." that found nothing to cancel yet
    unsigned int end = _fileStart - 1; // the separator after the component in hand
    while (end >= 1) {
        const unsigned int before = end > 1 ? text.lastIndexOf(PathSepString()[1], end - 1) : 0;
        const CharString component(text, before + 1, end - before - 1, L'\0');
        end = before;
        if (component.length() == 0 || component == PeriodString())
            continue;
        if (component == parent)
            ++pending;
        else if (pending > 0)
            --pending;
        else
            kept.push_back(component);
    }
    if (absolute && pending > 0)
        return *this; // a ".." would climb above the root

    CharString result;
    if (absolute)
        result = PathSepString();
    for (unsigned int i = 0; i < pending; ++i) {
        result += parent;
        result += PathSepString();
    }
    for (auto component = kept.rbegin(); component != kept.rend(); ++component) {
        result += *component;
        result += PathSepString();
    }
    if (!absolute && _fileStart > 1 && result.length() == 0) {
        // Every leading directory component vanished: the name stays relative to ".".
        result = PeriodString();
        result += PathSepString();
    }
    result += CharString(text, _fileStart);
    assign(result.encoded());
    return *this;
}

EncodedString FileName::directory() const {
    if (_fileStart <= 1)
        return EncodedString();
    return characters(decoded(_name), 1, _fileStart - 1u);
}

FileName FileName::fileName() const {
    if (!isValid())
        return FileName();
    const CharString text = decoded(_name);
    const unsigned int last = _memberPos != 0 ? _memberPos - 1u : text.length();
    return FileName(characters(text, _fileStart, last));
}

FileName FileName::baseName() const {
    if (!isValid())
        return FileName();
    const CharString text = decoded(_name);
    const unsigned int last = _periodPos != 0 ? _periodPos - 1u : text.length();
    return FileName(characters(text, _fileStart, last));
}

EncodedString FileName::extension() const {
    if (_periodPos == 0)
        return EncodedString();
    const CharString text = decoded(_name);
    const unsigned int last = _memberPos != 0 ? _memberPos - 1u : text.length();
    return characters(text, _periodPos, last);
}

EncodedString FileName::member() const {
    if (_memberPos == 0)
        return EncodedString();
    const CharString text = decoded(_name);
    return characters(text, _memberPos + 1u, text.length() - 1);
}

bool FileName::isAbsolute() const {
    return isValid() && _name[1] == '/';
}

bool FileName::isValid(const EncodedString& text) {
    return text.length() != 0 && FileName(text).isValid();
}

std::uint32_t FileName::hashValue() {
    if (!_hashValid) {
        _hash = _name.hashValue();
        _hashValid = 1;
    }
    return _hash;
}

FileName& FileName::setDirectory(const EncodedString& directory) {
    if (!isValid())
        return *this;
    EncodedString result(directory);
    if (directory.length() != 0 && directory[directory.length()] != '/')
        result += PathSepString();
    result += CharString(decoded(_name), _fileStart);
    assign(result);
    return *this;
}

FileName& FileName::setExtension(const EncodedString& extension) {
    if (!isValid())
        return *this;
    CharString replacement = decoded(extension);
    if (replacement.length() != 0 && replacement[1] != PeriodString()[1])
        replacement = PeriodString() + replacement;

    const CharString text = decoded(_name);
    const CharString memberPart = _memberPos != 0 ? CharString(text, _memberPos) : CharString();
    CharString result;
    if (_periodPos != 0)
        result = CharString(text, 1, _periodPos - 1u, L'\0');
    else if (_memberPos != 0)
        result = CharString(text, 1, _memberPos - 1u, L'\0');
    else
        result = text;
    result += replacement;
    result += memberPart;
    assign(result.encoded());
    return *this;
}

FileName& FileName::setMember(const EncodedString& member) {
    if (!isValid())
        return *this;
    const CharString text = decoded(_name);
    const CharString withoutMember =
        _memberPos != 0 ? CharString(text, 1, _memberPos - 1u, L'\0') : text;
    if (member.length() == 0) {
        if (_memberPos > 1) {
            // Cut before the member; the other positions lie before it and stay right.
            _name = withoutMember.encoded();
            _memberPos = 0;
            _hashValid = 0;
            _hash = 0;
        }
        return *this;
    }
    const CharString wanted = decoded(member);
    CharString result(withoutMember);
    const bool parenthesized =
        wanted.length() != 0 &&
        (wanted[1] == LeftParenString()[1] || wanted[wanted.length()] == RightParenString()[1]);
    if (parenthesized) {
        result += wanted;
    } else {
        result += LeftParenString();
        result += wanted;
        result += RightParenString();
    }
    assign(result.encoded());
    return *this;
}

FileName& FileName::qualify(const EncodedString& base) {
    if (!isValid())
        return *this;
    if (!isAbsolute() && base.length() != 0) {
        EncodedString directory(base);
        directory += PathSepString();
        directory += this->directory();
        setDirectory(directory);
    }
    return rationalizePath();
}

bool FileName::operator==(const FileName& other) const {
    // A versioned name and its ".so" name differ as bytes, so the byte comparison stays
    // false whenever one of them is the other's version but the rest of the names differ.
    return isVersionOf(*this, other) || isVersionOf(other, *this) || _name == other._name;
}
