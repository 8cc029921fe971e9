//===- utilities/messages/CatalogFile.h - Checking a catalog before catopen -*- C++ -*-===//
//
// glibc's catopen and catgets trust the sizes that a catalog file states: a file that
// carries the catalog magic but is cut short or holds nonsense makes them read past the
// file's end, which ends the process (a division by zero, a bus error) or yields bytes of
// unrelated memory as a message text. A catalog that the library names by its path is
// therefore read and checked first, and only a complete one is handed to catopen; a
// damaged one counts as missing, so that the default texts answer.
//
//   if (isCompleteCatalog(path)) catalog = catopen(path, NL_CAT_LOCALE);
//
// Catalogs that catopen itself finds along NLSPATH are not seen here.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_MESSAGES_CATALOGFILE_H
#define QIM_UTILITIES_MESSAGES_CATALOGFILE_H

/// True when the file at `path` is a whole message catalog in the layout that glibc's
/// gencat writes: the header with the catalog magic (in either byte order), a hash table of
/// at least one plane of one entry, both copies of that table, and every string that a
/// used table entry points to, with its terminating zero byte, inside the file.
bool isCompleteCatalog(const char* path);

#endif
