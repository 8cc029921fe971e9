//===- utilities/settings/EnvironmentNames.cpp - Fixed name forms ---------===//
#include "utilities/settings/EnvironmentNames.h"

#include "utilities/strings/CharString.h"

const EncodedString& getEnvnamePrefix() {
    static const EncodedString prefix(L"QIM_DBG_");
    return prefix;
}

EncodedString& fabricateName(EncodedString& result, const EncodedString& base) {
    static const EncodedString shortName(L"qim");
    static const EncodedString suffix = EncodedString::number(1);
    result = shortName;
    result += base;
    result += suffix;
    return result;
}

EncodedString& fabricateName(EncodedString& result, const wchar_t* base) {
    return fabricateName(result, EncodedString(base));
}

EncodedString stripPath(const EncodedString& path) {
    const CharString wide = CharString().loadFrom(path.buffer(), EncodedString::UTF8);
    unsigned int considered = wide.length();
    unsigned int cut = 0;
    while (considered > 0) {
        const unsigned int slash = wide.lastIndexOf(L'/', considered);
        if (slash != considered || slash == 1) {
            // No slash (0), the last slash before a name, or the first character: the
            // directory part ends there.
            cut = slash;
            break;
        }
        considered = slash - 1; // a trailing slash: look before it
    }
    return CharString(wide, 1, cut, L'\0').encoded();
}
