//===- utilities/messages/CatalogLocale.h - Catalog locale names -*- C++ -*-===//
//
// Message catalogs live in directories named after a language ("de") or a language and a
// territory ("de_AT"). These helpers turn a locale name as the system spells it
// ("de_at.ISO8859-1") into that form, and list the known catalog locales that share a
// language, in the order in which they are tried.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_MESSAGES_CATALOGLOCALE_H
#define QIM_UTILITIES_MESSAGES_CATALOGLOCALE_H

/// A catalog locale: at most five characters and a terminating zero.
using CatalogLocaleName = char[7];

/// Cuts `locale` to its first six characters and at its first ".", then checks and fixes
/// the case of what is left: "ll" or "ll_TT" (language lower-case, territory upper-case).
/// False when the name has neither form; `name` is then still the cut text.
bool normalizeCatalogLocale(const char* locale, CatalogLocaleName& name);

/// The number of entries in the table of known catalog locales.
unsigned int catalogLocaleCount();
/// Entry `index` (from 0) of the table: "af_ZA", ..., "de_DE", "de", ..., "zh".
const char* catalogLocale(unsigned int index);

#endif
