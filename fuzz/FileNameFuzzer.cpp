//===- fuzz/FileNameFuzzer.cpp - Parsed path names -*- C++ -*-===//
//
// Fuzz target file_name: FileName parsing, its accessors, rationalizePath, the setters,
// qualify, equality and the hash, and stripPath of the environment names, each against a
// model of the algorithm written over std::wstring.
//
// The input says whether the names are raw bytes or are spelled from pieces that paths
// are made of ("/", ".", "..", parentheses, short names, numeric and ".so" extensions,
// non-ASCII letters), then gives a name, a second name and the arguments of the setters.
//
// Properties:
//   - the parse gives the positions and the stored name of the model (runs of "/"
//     collapsed; a name ending with "/" invalid and unchanged), and so does a parse of
//     the stored name;
//   - the accessors cut what the model cuts;
//   - rationalizePath gives the model's name, applying it twice gives what applying it
//     once gives, and an absolute name never gains a ".." (a name whose ".." would climb
//     above the root stays as it was);
//   - the setters and qualify give the model's name, and leave an invalid name alone;
//   - equality is reflexive and symmetric and agrees with the model (libc.so equals
//     libc.so.6); the hash is the word sum of the name's bytes and is kept until a change;
//   - stripPath gives the model's directory part.
//
//===----------------------------------------------------------------------------===//
#include "fuzz/FuzzSupport.h"
#include "fuzz/ReferenceUtf8.h"

#include "utilities/files/FileName.h"
#include "utilities/settings/EnvironmentNames.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using qimfuzz::bytesOf;
using qimfuzz::printable;
using qimfuzz::referenceDecodeWide;
using qimfuzz::referenceEncodeWide;

/// What the model knows of a name: as the library's FileName, over wide characters.
struct ModelName {
    bool valid = false;
    unsigned int fileStart = 0;
    unsigned int periodPos = 0;
    unsigned int memberPos = 0;
    /// The stored name: the collapsed text in UTF-8, or the given bytes when not valid.
    std::string name;
    /// The collapsed text, for cutting parts.
    std::wstring text;
};

/// Characters `first` to `last` (1-based, both included) of `text`; empty when `last` is
/// before `first`.
std::wstring characters(const std::wstring& text, unsigned int first, unsigned int last) {
    if (first == 0 || last < first || first > text.size())
        return std::wstring();
    return text.substr(first - 1, last - first + 1);
}

ModelName modelParse(const std::string& bytes) {
    ModelName model;
    model.name = bytes;
    if (bytes.empty() || bytes.back() == '/')
        return model;
    // The stored name, the text's UTF-8 form, ends at a U+0000 (an overlong form such as
    // C0 80 decodes to it), and so does the text the positions count.
    const std::wstring decoded = referenceDecodeWide(bytes);
    std::wstring text;
    for (const wchar_t c : std::wstring(decoded.c_str()))
        if (c != L'/' || text.empty() || text.back() != L'/')
            text += c;
    const auto n = static_cast<unsigned int>(text.size());
    if (n == 0 || n > FileName::maximumLength)
        return model; // nothing, or more than the 16-bit positions can describe
    unsigned int periodPos = text[n - 1] == L'.' ? n : 0;
    unsigned int memberPos = 0;
    bool memberMode = text[n - 1] == L')';
    unsigned int separator = 0;
    for (unsigned int p = n - 1; p >= 1; --p) {
        const wchar_t c = text[p - 1];
        if (c == L'/' && !memberMode) {
            separator = p;
            break;
        }
        if (c == L'.' && !memberMode && periodPos == 0) {
            periodPos = p;
        } else if (c == L'(' && memberMode && memberPos == 0) {
            memberPos = p;
            memberMode = false;
        }
    }
    model.valid = true;
    model.fileStart = separator + 1;
    model.periodPos = periodPos;
    model.memberPos = memberPos;
    model.text = text;
    model.name = referenceEncodeWide(text);
    return model;
}

unsigned int length(const ModelName& model) {
    return static_cast<unsigned int>(model.text.size());
}

std::wstring modelDirectory(const ModelName& m) {
    return m.fileStart <= 1 ? std::wstring() : characters(m.text, 1, m.fileStart - 1);
}

std::wstring modelExtension(const ModelName& m) {
    if (m.periodPos == 0)
        return std::wstring();
    return characters(m.text, m.periodPos, m.memberPos != 0 ? m.memberPos - 1 : length(m));
}

std::wstring modelMember(const ModelName& m) {
    return m.memberPos == 0 ? std::wstring() : characters(m.text, m.memberPos + 1, length(m) - 1);
}

/// The text from `position` to the end.
std::wstring tail(const ModelName& m, unsigned int position) {
    return m.text.substr(position - 1);
}

std::string modelRationalized(const ModelName& m) {
    if (!m.valid)
        return m.name;
    const bool absolute = m.name[0] == '/';
    std::vector<std::wstring> components;
    const std::wstring directory = modelDirectory(m);
    std::size_t start = 0;
    for (std::size_t slash; (slash = directory.find(L'/', start)) != std::wstring::npos;
         start = slash + 1)
        components.push_back(directory.substr(start, slash - start));
    std::vector<std::wstring> kept; // backward
    unsigned int pending = 0;
    for (auto component = components.rbegin(); component != components.rend(); ++component) {
        if (component->empty() || *component == L".")
            continue;
        if (*component == L"..")
            ++pending;
        else if (pending > 0)
            --pending;
        else
            kept.push_back(*component);
    }
    if (absolute && pending > 0)
        return m.name;
    std::wstring result = absolute ? L"/" : L"";
    for (unsigned int i = 0; i < pending; ++i)
        result += L"../";
    for (auto component = kept.rbegin(); component != kept.rend(); ++component)
        result += *component + L"/";
    if (!absolute && m.fileStart > 1 && result.empty())
        result = L"./";
    return modelParse(referenceEncodeWide(result + tail(m, m.fileStart))).name;
}

ModelName modelWithDirectory(const ModelName& m, const std::string& directory) {
    if (!m.valid)
        return m;
    std::string result = directory;
    if (!directory.empty() && directory.back() != '/')
        result += '/';
    return modelParse(result + referenceEncodeWide(tail(m, m.fileStart)));
}

std::string modelWithExtension(const ModelName& m, const std::string& extension) {
    if (!m.valid)
        return m.name;
    std::wstring replacement = referenceDecodeWide(extension);
    if (!replacement.empty() && replacement[0] != L'.')
        replacement = L"." + replacement;
    const std::wstring memberPart = m.memberPos != 0 ? tail(m, m.memberPos) : std::wstring();
    std::wstring result = m.text;
    if (m.periodPos != 0)
        result = characters(m.text, 1, m.periodPos - 1);
    else if (m.memberPos != 0)
        result = characters(m.text, 1, m.memberPos - 1);
    return modelParse(referenceEncodeWide(result + replacement + memberPart)).name;
}

std::string modelWithMember(const ModelName& m, const std::string& member) {
    if (!m.valid)
        return m.name;
    const std::wstring withoutMember =
        m.memberPos != 0 ? characters(m.text, 1, m.memberPos - 1) : m.text;
    if (member.empty())
        return m.memberPos > 1 ? referenceEncodeWide(withoutMember) : m.name;
    const std::wstring wanted = referenceDecodeWide(member);
    const bool parenthesized = wanted[0] == L'(' || wanted.back() == L')';
    return modelParse(
               referenceEncodeWide(withoutMember + (parenthesized ? wanted : L"(" + wanted + L")")))
        .name;
}

bool isNumericExtension(const std::wstring& extension) {
    return extension.size() > 1 && std::all_of(extension.begin() + 1, extension.end(),
                                               [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

bool modelEqual(const ModelName& a, const ModelName& b) {
    const std::wstring extensionA = modelExtension(a);
    const std::wstring extensionB = modelExtension(b);
    if (isNumericExtension(extensionA) && extensionB == L".so")
        return modelWithExtension(a, "") == b.name;
    if (isNumericExtension(extensionB) && extensionA == L".so")
        return modelWithExtension(b, "") == a.name;
    return a.name == b.name;
}

std::string modelStripPath(const std::string& path) {
    const std::wstring text = referenceDecodeWide(path);
    auto considered = static_cast<unsigned int>(text.size());
    unsigned int cut = 0;
    while (considered > 0) {
        const std::size_t found = text.rfind(L'/', considered - 1);
        const unsigned int slash =
            found == std::wstring::npos ? 0 : static_cast<unsigned int>(found) + 1;
        if (slash == 0 || slash != considered) {
            cut = slash;
            break;
        }
        if (slash == 1) {
            cut = 1;
            break;
        }
        considered = slash - 1;
    }
    return referenceEncodeWide(text.substr(0, cut));
}

std::uint32_t modelHash(const std::string& bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        std::uint32_t word = 0;
        for (std::size_t k = 0; k < 4; ++k)
            word =
                word << 8 | (i + k < bytes.size() ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        sum += word;
    }
    return sum;
}

// --- Checks ---------------------------------------------------------------------------

EncodedString utf8(const std::string& bytes) {
    return EncodedString(bytes.c_str(), EncodedString::UTF8);
}

void expectName(const FileName& name, const std::string& expected, const char* operation,
                const std::string& from) {
    QIM_FUZZ_CHECK(bytesOf(name.name()) == expected, "%s of \"%s\" gave \"%s\", expected \"%s\"",
                   operation, printable(from).c_str(), printable(bytesOf(name.name())).c_str(),
                   printable(expected).c_str());
}

void expectParsed(const FileName& name, const ModelName& model, const std::string& from) {
    expectName(name, model.name, "parsing", from);
    QIM_FUZZ_CHECK(name.isValid() == model.valid && name.fileStart() == model.fileStart &&
                       name.periodPos() == model.periodPos && name.memberPos() == model.memberPos,
                   "\"%s\" parsed to valid %d, positions %u %u %u; expected %d, %u %u %u",
                   printable(from).c_str(), name.isValid(), name.fileStart(), name.periodPos(),
                   name.memberPos(), model.valid, model.fileStart, model.periodPos,
                   model.memberPos);
}

void checkParts(const FileName& name, const ModelName& model, const std::string& from) {
    const auto same = [](const EncodedString& part, const std::wstring& expected) {
        return bytesOf(part) == referenceEncodeWide(expected);
    };
    QIM_FUZZ_CHECK(same(name.directory(), modelDirectory(model)), "directory of \"%s\"",
                   printable(from).c_str());
    QIM_FUZZ_CHECK(same(name.extension(), modelExtension(model)), "extension of \"%s\"",
                   printable(from).c_str());
    QIM_FUZZ_CHECK(same(name.member(), modelMember(model)), "member of \"%s\"",
                   printable(from).c_str());
    QIM_FUZZ_CHECK(name.isAbsolute() == (model.valid && model.name[0] == '/'),
                   "isAbsolute of \"%s\"", printable(from).c_str());
    const unsigned int end = length(model);
    const std::string file =
        model.valid
            ? referenceEncodeWide(characters(model.text, model.fileStart,
                                             model.memberPos != 0 ? model.memberPos - 1 : end))
            : std::string();
    const std::string base =
        model.valid
            ? referenceEncodeWide(characters(model.text, model.fileStart,
                                             model.periodPos != 0 ? model.periodPos - 1 : end))
            : std::string();
    expectName(name.fileName(), modelParse(file).name, "fileName", from);
    expectName(name.baseName(), modelParse(base).name, "baseName", from);
}

void checkRationalize(const FileName& name, const ModelName& model, const std::string& from) {
    FileName once(name);
    once.rationalizePath();
    expectName(once, modelRationalized(model), "rationalizePath", from);
    FileName twice(once);
    twice.rationalizePath();
    QIM_FUZZ_CHECK(twice.name() == once.name() && twice.isValid() == once.isValid() &&
                       twice.fileStart() == once.fileStart(),
                   "rationalizePath of \"%s\" is not idempotent: \"%s\" then \"%s\"",
                   printable(from).c_str(), printable(bytesOf(once.name())).c_str(),
                   printable(bytesOf(twice.name())).c_str());
    if (name.isAbsolute()) {
        const std::string directory = bytesOf(once.directory());
        const bool climbs = directory.find("/../") != std::string::npos;
        QIM_FUZZ_CHECK(once.isAbsolute() && (!climbs || once.name() == name.name()),
                       "rationalizePath of the absolute \"%s\" gave \"%s\"",
                       printable(from).c_str(), printable(bytesOf(once.name())).c_str());
    }
}

void checkSetters(const FileName& name, const ModelName& model, const std::string& from,
                  const std::string& directory, const std::string& extension,
                  const std::string& member) {
    FileName withDirectory(name);
    withDirectory.setDirectory(utf8(directory));
    expectName(withDirectory, modelWithDirectory(model, directory).name, "setDirectory", from);
    FileName withExtension(name);
    withExtension.setExtension(utf8(extension));
    expectName(withExtension, modelWithExtension(model, extension), "setExtension", from);
    FileName withMember(name);
    withMember.setMember(utf8(member));
    expectName(withMember, modelWithMember(model, member), "setMember", from);
    QIM_FUZZ_CHECK(!withMember.hashValid(), "setMember on \"%s\" kept the hash",
                   printable(from).c_str());

    FileName qualified(name);
    qualified.qualify(utf8(directory));
    ModelName prefixed = model;
    if (model.valid && model.name[0] != '/' && !directory.empty())
        prefixed =
            modelWithDirectory(model, directory + "/" + referenceEncodeWide(modelDirectory(model)));
    expectName(qualified, modelRationalized(prefixed), "qualify", from);
}

void checkEquality(const FileName& a, const FileName& b, const ModelName& modelA,
                   const ModelName& modelB) {
    const std::string shownA = printable(bytesOf(a.name()));
    const std::string shownB = printable(bytesOf(b.name()));
    QIM_FUZZ_CHECK(a == a && !(a != a), "\"%s\" differs from itself", shownA.c_str());
    QIM_FUZZ_CHECK((a == b) == (b == a), "equality of \"%s\" and \"%s\" is not symmetric",
                   shownA.c_str(), shownB.c_str());
    QIM_FUZZ_CHECK((a == b) == modelEqual(modelA, modelB) && (a != b) == !(a == b),
                   "\"%s\" == \"%s\" gave %d", shownA.c_str(), shownB.c_str(), a == b);
}

void checkHash(FileName name) {
    const std::uint32_t first = name.hashValue();
    QIM_FUZZ_CHECK(name.hashValid() && name.hashValue() == first &&
                       first == modelHash(bytesOf(name.name())),
                   "hash of \"%s\" is %08X", printable(bytesOf(name.name())).c_str(), first);
}

/// The pieces that paths are made of, for names spelled from the input.
const char* const pieces[16] = {"/",  "/",  ".", ".",  "..",  "(", ")",        "a",
                                "bc", "so", "6", "12", "lib", " ", "\xC3\xA9", "\xE2\x82\xAC"};

std::string spell(const std::string& bytes, bool raw) {
    std::string text;
    for (const char c : bytes) {
        if (raw)
            text += c == '\0' ? '/' : c;
        else
            text += pieces[static_cast<unsigned char>(c) & 0x0F];
    }
    return text;
}

} // namespace

QIM_FUZZ_INITIALIZE_WITH_CODESET(nullptr)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool raw = input.ConsumeBool();
    const int relation = input.ConsumeIntegralInRange(0, 3);
    const std::string directory = spell(input.ConsumeRandomLengthString(24), raw);
    const std::string extension = spell(input.ConsumeRandomLengthString(8), raw);
    const std::string member = spell(input.ConsumeRandomLengthString(8), raw);
    const std::string other = spell(input.ConsumeRandomLengthString(64), raw);
    const std::string text = spell(input.ConsumeRemainingBytesAsString(), raw);

    const FileName name(utf8(text));
    const ModelName model = modelParse(text);
    expectParsed(name, model, text);
    expectParsed(FileName(name.name()), modelParse(model.name), model.name);
    checkRationalize(name, model, text);
    checkHash(name);
    checkParts(name, model, text);
    checkSetters(name, model, text, directory, extension, member);

    // The second name: unrelated, or a versioned, ".so" or rationalized form of the first.
    FileName second(utf8(other));
    if (relation == 1)
        second = FileName(utf8(bytesOf(name.name()) + "." + std::to_string(other.size())));
    else if (relation == 2)
        second = FileName(name).setExtension(utf8("so"));
    else if (relation == 3)
        second = FileName(name).rationalizePath();
    checkEquality(name, second, model, modelParse(bytesOf(second.name())));

    QIM_FUZZ_CHECK(bytesOf(stripPath(utf8(text))) == modelStripPath(text),
                   "stripPath of \"%s\" gave \"%s\"", printable(text).c_str(),
                   printable(bytesOf(stripPath(utf8(text)))).c_str());
    return 0;
}
