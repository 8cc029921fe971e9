//===- utilities/messages/ZOR_Message.cpp - User-visible messages ---------===//
#include "utilities/messages/ZOR_Message.h"

#include "utilities/messages/DefaultMessageSet.h"
#include "utilities/messages/XPG4MsgServer.h"
#include "utilities/strings/CharString.h"

#include <cstdio>

namespace {

// Catalog texts are kept in set 1.
constexpr int messageSet = 1;

CharString decodedUTF8(const EncodedString& text) {
    return CharString().loadFrom(text.buffer(), EncodedString::UTF8);
}

CharString placeholder(unsigned int position) {
    return decodedUTF8(EncodedString("%", EncodedString::UTF8) + EncodedString::number(position));
}

void writeText(std::FILE* stream, const EncodedString& text) {
    std::fprintf(stream, "%s\n", text.convert(EncodedString::Native).chars());
}

} // namespace

ZOR_Message::ZOR_Message() : _id(resolvedFlag | emptyFlag) {}

ZOR_Message::ZOR_Message(uint32_t number) : _id(number & numberMask) {}

ZOR_Message::ZOR_Message(uint32_t number, const List<const EncodedString*>& inserts)
    : _id(number & numberMask) {
    set_inserts(inserts);
}

ZOR_Message::ZOR_Message(const EncodedString& text) : _id(0) {
    set_text(text);
}

ZOR_Message::ZOR_Message(const ZOR_Message& other) : _id(0) {
    *this = other;
}

ZOR_Message::~ZOR_Message() {
    clear_inserts();
}

ZOR_Message& ZOR_Message::operator=(const ZOR_Message& other) {
    if (this == &other)
        return *this;
    _text = other._text;
    _id = other._id;
    _trailer = other._trailer;
    copyInserts(other._inserts);
    return *this;
}

void ZOR_Message::set_text(const EncodedString& text) {
    _text = text;
    _trailer = EncodedString();
    _id = resolvedFlag | (text.length() == 0 ? emptyFlag : 0);
}

void ZOR_Message::set_id(uint32_t number) {
    _text = EncodedString();
    const bool empty = number == 0 || (number & 0x80000000u) != 0;
    _id = empty ? emptyFlag : (number & numberMask);
}

void ZOR_Message::set_trailer(const EncodedString& trailer) {
    _trailer = trailer;
}

void ZOR_Message::set_inserts(const List<EncodedString*>& inserts) {
    copyInserts(inserts);
}

void ZOR_Message::set_inserts(const List<const EncodedString*>& inserts) {
    copyInserts(inserts);
}

void ZOR_Message::set_inserts(const EncodedString* first, ...) {
    va_list more;
    va_start(more, first);
    List<EncodedString*> copies;
    copyVariadic(copies, first, more);
    va_end(more);
    replaceInserts(copies);
}

void ZOR_Message::clear_inserts() {
    for (unsigned int i = _inserts.count(); i > 0; --i) {
        delete _inserts[i - 1];
        _inserts.remove(i - 1);
    }
}

template <typename Item>
void ZOR_Message::copyInserts(const List<Item>& inserts) {
    List<EncodedString*> copies;
    for (unsigned int i = 0; i < inserts.count(); ++i)
        copies.append(new EncodedString(*inserts[i]));
    replaceInserts(copies);
}

void ZOR_Message::copyVariadic(List<EncodedString*>& copies, const EncodedString* first,
                               va_list more) {
    for (const EncodedString* insert = first;
         insert != nullptr && copies.count() < maxVariadicInserts;
         insert = va_arg(more, const EncodedString*))
        copies.append(new EncodedString(*insert));
}

// The new inserts are copied before the old ones go, so that a message can be given its
// own inserts.
void ZOR_Message::replaceInserts(const List<EncodedString*>& copies) {
    clear_inserts();
    _inserts.append(copies.items(), copies.count());
}

bool ZOR_Message::isNumbered() const {
    // Bit 29 is the sign of the 30-bit number: such a number is negative.
    const int32_t signedNumber = static_cast<int32_t>(number() << 2) >> 2;
    return signedNumber >= 1;
}

EncodedString ZOR_Message::format(const XPG4MsgServer& server) const {
    if (!isNumbered())
        return _text;
    const EncodedString catalogText = server.getText(messageSet, static_cast<int>(number()));
    if (_inserts.count() == 0)
        return catalogText;
    return applyInserts(catalogText);
}

// Each placeholder %i is replaced where it first occurs in the text as it stands after
// the inserts before it went in.
EncodedString ZOR_Message::applyInserts(const EncodedString& catalogText) const {
    CharString text = decodedUTF8(catalogText);
    for (unsigned int i = 0; i < _inserts.count(); ++i)
        text.change(placeholder(i + 1), decodedUTF8(*_inserts[i]), 1);
    return text.encoded();
}

const EncodedString& ZOR_Message::text() {
    if (isResolved())
        return _text;
    _text = format(MessageServer::instance().server());
    _text += _trailer;
    _id |= resolvedFlag;
    return _text;
}

void ZOR_Message::display(unsigned int options) const {
    std::FILE* stream = (options & toStandardError) != 0 ? stderr : stdout;
    if ((options & blankLineBefore) != 0)
        std::fputs("\n", stream);
    if (isNumbered())
        writeText(stream, format(LocalMessageServer::instance().server()));
    else if (isEmpty())
        std::fputs("\n", stream);
    else
        writeText(stream, _text);
    if ((options & blankLineAfter) != 0)
        std::fputs("\n", stream);
}

void ZOR_Message::display(uint32_t number, unsigned int options, const EncodedString* first, ...) {
    va_list more;
    va_start(more, first);
    List<EncodedString*> copies;
    copyVariadic(copies, first, more);
    va_end(more);
    ZOR_Message message(number);
    message.replaceInserts(copies);
    message.display(options);
}

XPG4MsgServer* ZOR_Message::createServer(const char* locale) {
    return new XPG4MsgServer(locale, "pex", zormsgMessageSet, zormsgSetSizes);
}
