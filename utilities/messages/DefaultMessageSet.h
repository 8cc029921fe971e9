//===- utilities/messages/DefaultMessageSet.h - The built-in English messages -------*- C++ -*-===//
//
// The English texts of the utility library's message catalog: one set, set 1, with messages
// 1 to 346. Every catalog lookup hands the text of the requested number to catgets as its
// default, so these are the texts a user sees when no catalog is found or the catalog lacks
// a message. The numbering is the contract between this table, the catalog files (qimpex1.cat
// is written from this table, and its translations must keep the numbers) and every caller.
//
// Usage:
//   const char* text = zormsgMessageSet[1][274]; // "The load of program %1 failed ..."
//   int lastMessage = zormsgSetSizes[1];         // 346
//
//===------------------------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_MESSAGES_DEFAULTMESSAGESET_H
#define QIM_UTILITIES_MESSAGES_DEFAULTMESSAGESET_H

/// The default texts, indexed first by set and then by message number, with no offset:
/// element 0 is null (there is no set 0) and element 1 is the table of set 1, whose entry n
/// is the NUL-terminated text of message n. Entry 0 of that table is the empty string, and so
/// are messages 195 to 197. Texts are plain ASCII, read as UTF-8; %1 to %4 mark the inserts.
/// The array decays to the `const char* const* const*` that the message servers hold.
extern const char* const* const zormsgMessageSet[2];

/// The bounds of `zormsgMessageSet`: element 0 is the number of sets (1), element s the number
/// of the last message of set s (346 for set 1).
extern const int zormsgSetSizes[2];

#endif
