//===- utilities/messages/CatalogLocale.cpp - Catalog locale names --------===//
#include "utilities/messages/CatalogLocale.h"

#include "utilities/strings/AsciiCase.h"

#include <cstring>

namespace {

// Each entry is five characters and a zero; two-letter entries are padded with zeros.
const char catalogLocales[][6] = {
    "af_ZA", "ar_AA", "bg_BG", "ca_ES", "cs_CZ", "da_DK", "de_DE", "de",    "el_GR", "en_US",
    "es_ES", "es",    "et_EE", "eu_AD", "fi_FI", "fo_FO", "fr_FR", "fr",    "he_IL", "hr_HR",
    "hu_HU", "id_ID", "is_IS", "it_IT", "it",    "ja_JP", "ja",    "ko_KR", "ko",    "lt_LT",
    "lv_LV", "nl_NL", "no_NO", "pl_PL", "pt_BR", "ro_RO", "ru_RU", "sk_SK", "sl_SI", "sq_AL",
    "sv_SE", "th_TH", "tr_TR", "uk_UA", "zh_CN", "zh"};

static_assert(sizeof(catalogLocales) / sizeof(catalogLocales[0]) == 46,
              "the table of catalog locales has 46 entries");

void copyCut(const char* locale, CatalogLocaleName& name) {
    std::memset(name, 0, sizeof(name));
    if (locale != nullptr)
        std::strncpy(name, locale, 6);
    if (char* period = std::strchr(name, '.'))
        *period = '\0';
}

bool hasTerritoryForm(const CatalogLocaleName& name) {
    return name[2] == '_' && name[3] != '_' && name[4] != '_';
}

} // namespace

bool normalizeCatalogLocale(const char* locale, CatalogLocaleName& name) {
    copyCut(locale, name);
    const std::size_t length = std::strlen(name);
    if (length != 2 && !(length == 5 && hasTerritoryForm(name)))
        return false;
    if (name[0] == '_' || name[1] == '_')
        return false;
    name[0] = toLowerAscii(name[0]);
    name[1] = toLowerAscii(name[1]);
    if (length == 5) {
        name[3] = toUpperAscii(name[3]);
        name[4] = toUpperAscii(name[4]);
    }
    return true;
}

unsigned int catalogLocaleCount() {
    return sizeof(catalogLocales) / sizeof(catalogLocales[0]);
}

const char* catalogLocale(unsigned int index) {
    return catalogLocales[index];
}
