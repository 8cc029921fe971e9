//===- utilities/messages/XPG4MsgServer.h - Catalog message server -*- C++ -*-===//
//
// Answers message lookups by set and number from one XPG4 message catalog, with a table of
// default texts behind every lookup. The catalog is chosen once, when the server is built:
// first in the installation's msg/<locale>/ directory, then along NLSPATH for the locale,
// then along NLSPATH for each known locale of the same language, and last under the locale
// as it was given. A server whose catalog could not be opened still answers, from the
// default texts; a number outside the table gives an empty text.
//
// Usage:
//   XPG4MsgServer server("de_AT.ISO8859-1", "pex", zormsgMessageSet, zormsgSetSizes);
//   EncodedString text = server.getText(1, 274);
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_MESSAGES_XPG4MSGSERVER_H
#define QIM_UTILITIES_MESSAGES_XPG4MSGSERVER_H

#include "utilities/strings/ByteString.h"
#include "utilities/strings/EncodedString.h"

#include <nl_types.h>

class XPG4MsgServer {
public:
    /// Default texts: indexed by set, then by message number; element 0 of each level holds
    /// no message.
    using MessageSets = const char* const* const*;

    /// Opens the catalog named after `catalogBaseName` for `locale`, or for the process's
    /// message locale when `locale` is null or empty. `setSizes[0]` is the number of sets,
    /// `setSizes[s]` the number of messages in set s. The process's message locale is the
    /// same afterwards as before.
    XPG4MsgServer(const char* locale, const char* catalogBaseName, MessageSets messageSets,
                  const int* setSizes);
    /// Closes the catalog.
    virtual ~XPG4MsgServer();
    XPG4MsgServer(const XPG4MsgServer&) = delete;
    XPG4MsgServer& operator=(const XPG4MsgServer&) = delete;

    /// The text of message `number` of set `set` as UTF-8: the catalog's, else the default
    /// text; empty outside the bounds of the default table.
    virtual EncodedString getText(int set, int number) const;
    /// The same lookup, the catalog's bytes unchanged.
    virtual ByteString getBytes(int set, int number) const;

    /// True when a catalog file was opened.
    bool hasCatalog() const { return _catalog != noCatalog(); }

private:
    static nl_catd noCatalog() { return reinterpret_cast<nl_catd>(-1); }
    void openCatalog(const EncodedString& fileName, const char* locale);
    bool openInstalled(const EncodedString& fileName, const char* catalogLocale);
    bool openAlongNlspath(const EncodedString& fileName, const char* locale);
    bool openForLanguage(const EncodedString& fileName, const char* catalogLocale);
    bool isInTable(int set, int number) const;
    const char* lookUp(int set, int number) const;

    nl_catd _catalog;
    MessageSets _messageSets;
    const int* _setSizes;
};

#endif
