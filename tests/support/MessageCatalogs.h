//===- tests/support/MessageCatalogs.h - Real catalogs and locales -*- C++ -*-===//
//
// Tests of the catalog search need real XPG4 catalogs and real locales: these helpers
// compile a catalog source with gencat and define a locale with localedef into a
// directory that the test then names in LOCPATH.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SUPPORT_MESSAGECATALOGS_H
#define QIM_TESTS_SUPPORT_MESSAGECATALOGS_H

#include <map>
#include <string>

namespace qimtest {

/// The gencat source of set 1 with `texts` (message number to text, already escaped as
/// gencat reads it, without the quotes).
std::string catalogSource(const std::map<int, std::string>& texts);

/// Compiles `source` with gencat into `catalogPath`, making its directories. True when
/// gencat succeeded.
bool makeCatalog(const std::string& catalogPath, const std::string& source);

/// Defines the locale `name` in the directory `locpath` from the system's locale
/// definition `definition` (such as "de_DE") in UTF-8. True when localedef succeeded.
bool makeLocale(const std::string& locpath, const std::string& name, const std::string& definition);

} // namespace qimtest

#endif
