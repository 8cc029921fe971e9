//===- fuzz/FileNameFuzzer.cpp - Parsed path names -*- C++ -*-===//
//
// Fuzz target file_name: FileName parsing, rationalizePath, the setters, qualify, equality
// and stripPath. The input says whether the names are raw bytes or spelled from pieces of
// paths, then gives a directory, an extension and a member for the setters, a second name
// (unrelated, or a versioned, ".so" or rationalized form of the first) and the name.
// Properties: the stored name is the text with runs of '/' collapsed; rationalizePath
// normalises the directory as std::filesystem's lexically_normal does, unless a ".." climbs
// above the root, and is idempotent; equality is reflexive and symmetric; stripPath cuts
// after the last '/' that a name follows.
//
//===----------------------------------------------------------------------------===//
#include "fuzz/FuzzSupport.h"

#include "utilities/files/FileName.h"
#include "utilities/settings/EnvironmentNames.h"

#include <filesystem>

static EncodedString utf8(const S& bytes) {
    return EncodedString(bytes.c_str(), EncodedString::UTF8);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool raw = input.ConsumeBool();
    const int relation = input.ConsumeIntegralInRange(0, 3);
    S texts[5]; // a directory, an extension, a member, a second name and the name
    for (int i = 0; i < 5; ++i) {
        S bytes = i < 4 ? input.ConsumeRandomLengthString("\x18\x08\x08\x40"[i])
                        : input.ConsumeRemainingBytesAsString();
        std::replace(bytes.begin(), bytes.end(), '\0', '/');
        texts[i] =
            raw ? bytes : spell(bytes, "/|/|.|.|..|(|)|a|bc|so|6|12|lib| |\xC3\xA9|\xE2\x82\xAC|");
    }
    const S& path = texts[4];
    FileName name(utf8(path)), once(name), second(utf8(texts[3]));
    FileName(name)
        .setDirectory(utf8(texts[0]))
        .setExtension(utf8(texts[1]))
        .setMember(utf8(texts[2]));
    FileName(name).qualify(utf8(texts[0])); // those for the sanitizers alone
    const CharString wide = CharString().loadFrom(path.c_str(), EncodedString::UTF8);
    const S n = text(name.name()), dir = text(name.directory());
    S collapsed = text(CharString(wide.buffer()).encoded()); // the text up to a U+0000
    for (std::size_t run; (run = collapsed.find("//")) != S::npos;)
        collapsed.erase(run, 1);
    const bool valid = !path.empty() && path.back() != '/' && !collapsed.empty(),
               absolute = dir[0] == '/';
    S normal = std::filesystem::path((absolute ? dir.substr(1) : dir) + "x").lexically_normal();
    normal = normal.substr(0, normal.size() - 1); // without the "x" that stands for the file
    const bool climbs = absolute && normal.compare(0, 3, "../") == 0;
    normal = (absolute ? "/" : "") + (normal.empty() && !absolute && !dir.empty() ? "./" : normal);
    if (relation != 0) // a versioned, ".so" or rationalized form of the name
        second = relation == 1   ? FileName(utf8(n + "." + std::to_string(texts[3].size())))
                 : relation == 2 ? FileName(name).setExtension(utf8("so"))
                                 : FileName(name).rationalizePath();
    const W units = text(wide);
    const std::size_t last = units.find_last_not_of(L'/');
    const std::size_t cut = last == W::npos ? !units.empty() : units.rfind(L'/', last) + 1;
    const S rows[][2] = {
        {n, valid ? collapsed : path},
        {text(once.rationalizePath().name()), !valid || climbs ? n : normal + n.substr(dir.size())},
        {text(FileName(once).rationalizePath().name()), text(once.name())},
        {std::to_string(name == name) + std::to_string(name == second),
         "1" + std::to_string(second == name)},
        {text(stripPath(utf8(path))), text(CharString(wide, 1, cut, L'\0').encoded())}};
    QIM_FUZZ_ROWS(rows, path);
    return 0;
}
