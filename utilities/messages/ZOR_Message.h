//===- utilities/messages/ZOR_Message.h - User-visible messages -*- C++ -*-===//
//
// A message the user sees: either a literal text or a message number that is looked up in
// the library's message catalog, with the built-in default texts behind it. A numbered
// message carries inserts, texts that replace the placeholders %1 to %9 of the catalog
// text, each the first of its kind, one after the other. The message owns copies of its
// inserts.
//
// Two process-wide holders own the catalog servers that messages resolve against:
// MessageServer, whose catalog is chosen for the locale "en_US" and which text() uses, and
// LocalMessageServer, whose catalog follows the process's message locale and which
// display() uses.
//
// Usage:
//   EncodedString program("/bin/prog", EncodedString::Native);
//   EncodedString error = EncodedString::number(2);
//   ZOR_Message message(274);
//   message.set_inserts(&program, &error, nullptr);
//   std::printf("%s\n", message.text().buffer());
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_MESSAGES_ZOR_MESSAGE_H
#define QIM_UTILITIES_MESSAGES_ZOR_MESSAGE_H

#include "utilities/strings/EncodedString.h"
#include "utilities/strings/List.h"

#include <cstdarg>
#include <cstdint>

class XPG4MsgServer;

class ZOR_Message {
public:
    /// Options of display(), combined as a bit mask.
    enum DisplayOptions : unsigned int {
        toStandardError = 1, ///< write to standard error instead of standard output
        blankLineBefore = 2, ///< write an empty line before the message
        blankLineAfter = 4   ///< write an empty line after the message
    };

    /// The most inserts that the variadic operations take: one digit per placeholder.
    static constexpr unsigned int maxVariadicInserts = 9;

    /// The holder of the server that text() resolves against: its catalog is chosen for
    /// the locale "en_US".
    class MessageServer {
    public:
        /// The process-wide holder, created on first use and never destroyed.
        static MessageServer& instance();
        /// Closes the catalog and searches for it afresh, with the environment and the
        /// installation as they are now.
        void set_message_file();
        XPG4MsgServer& server() const { return *_server; }
        const EncodedString& locale() const { return _locale; }

    private:
        MessageServer();
        XPG4MsgServer* _server = nullptr;
        EncodedString _locale;
    };

    /// The holder of the server that display() resolves against: its catalog follows the
    /// process's message locale as it was when the holder was created.
    class LocalMessageServer {
    public:
        /// The process-wide holder, created on first use and never destroyed.
        static LocalMessageServer& instance();
        XPG4MsgServer& server() const { return *_server; }

    private:
        LocalMessageServer();
        XPG4MsgServer* _server;
    };

    /// An empty message: resolved, with no content.
    ZOR_Message();
    /// Message `number` (its low 30 bits), not yet resolved.
    explicit ZOR_Message(uint32_t number);
    /// Message `number` with copies of `inserts`.
    ZOR_Message(uint32_t number, const List<const EncodedString*>& inserts);
    /// A literal message.
    explicit ZOR_Message(const EncodedString& text);
    ZOR_Message(const ZOR_Message& other);
    ~ZOR_Message();

    /// Copies the text, number, flags and trailer, and deep copies of the inserts.
    ZOR_Message& operator=(const ZOR_Message& other);

    /// Makes this a literal message, resolved; empty when `text` is. Keeps the inserts.
    void set_text(const EncodedString& text);
    /// Makes this message `number`, unresolved; empty when `number` is 0 or has its top
    /// bit set. Keeps the trailer and the inserts.
    void set_id(uint32_t number);
    /// Sets the text appended after the catalog text when the message is resolved.
    void set_trailer(const EncodedString& trailer);
    /// Replaces the inserts by copies of the list's, in list order; no limit on the count.
    void set_inserts(const List<EncodedString*>& inserts);
    void set_inserts(const List<const EncodedString*>& inserts);
    /// Replaces the inserts by copies of the arguments, up to the first null pointer and
    /// at most maxVariadicInserts; a null `first` leaves no inserts.
    void set_inserts(const EncodedString* first, ...);
    /// Deletes every insert.
    void clear_inserts();

    /// The catalog text with the inserts in place, as `server` gives it; the literal text
    /// of an unnumbered message.
    EncodedString format(const XPG4MsgServer& server) const;
    /// The resolved text: formatted through MessageServer on the first call, followed by
    /// the trailer, and kept.
    const EncodedString& text();
    /// Writes the message in the native code page, a numbered one formatted through
    /// LocalMessageServer, with the options of DisplayOptions.
    void display(unsigned int options) const;
    /// Writes message `number` with the null-terminated inserts (at most
    /// maxVariadicInserts) as the member display() does.
    static void display(uint32_t number, unsigned int options, const EncodedString* first, ...);

    /// A new catalog server for `locale` (null: the process's message locale) over the
    /// library's catalog and its default texts; the caller owns it.
    static XPG4MsgServer* createServer(const char* locale);

    /// The message number: the low 30 bits of the id.
    uint32_t number() const { return _id & numberMask; }
    /// True when the number, read as a signed 30-bit value, is at least 1.
    bool isNumbered() const;
    bool isEmpty() const { return (_id & emptyFlag) != 0; }
    bool isResolved() const { return (_id & resolvedFlag) != 0; }
    const EncodedString& trailer() const { return _trailer; }
    unsigned int insertCount() const { return _inserts.count(); }
    /// Insert `index`, from 0, for %<index + 1>.
    const EncodedString& insert(unsigned int index) const { return *_inserts[index]; }

private:
    static constexpr uint32_t numberMask = 0x3FFFFFFFu;
    static constexpr uint32_t emptyFlag = 0x40000000u;
    static constexpr uint32_t resolvedFlag = 0x80000000u;

    template <typename Item>
    void copyInserts(const List<Item>& inserts);
    static void copyVariadic(List<EncodedString*>& copies, const EncodedString* first,
                             va_list more);
    void replaceInserts(const List<EncodedString*>& copies);
    EncodedString applyInserts(const EncodedString& catalogText) const;

    uint32_t _id;
    EncodedString _text;
    EncodedString _trailer;
    List<EncodedString*> _inserts;
};

#endif
