//===- utilities/diagnostics/TraceRecord.cpp - Composing one trace line ----===//
#include "utilities/diagnostics/TraceRecord.h"

#include <cassert>
#include <cstdio>
#include <cstring>

namespace {

/// Appends pieces to a fixed buffer, never past its end; what does not fit is dropped, and
/// the writer remembers that the text was cut. The fixed parts of a record are copied and
/// their numbers converted by hand: the record's own text is the only printf work.
class RecordWriter {
public:
    RecordWriter(char* buffer, std::size_t size) : _buffer(buffer), _size(size) {
        _buffer[0] = '\0';
    }

    void appendText(const char* text, std::size_t length) {
        const std::size_t room = _size - 1 - _used;
        if (length > room) {
            length = room;
            _cut = true;
        }
        std::memcpy(_buffer + _used, text, length);
        _used += length;
        _buffer[_used] = '\0';
    }

    void appendText(const char* text) { appendText(text, std::strlen(text)); }

    /// Appends `value` in decimal, with a minus sign when negative.
    void appendDecimal(long value) {
        char digits[24];
        char* end = digits + sizeof digits;
        char* first = end;
        // Negated as unsigned, so that the most negative value converts too.
        unsigned long magnitude =
            value < 0 ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
        do {
            *--first = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (value < 0)
            *--first = '-';
        appendText(first, static_cast<std::size_t>(end - first));
    }

    void appendList(const char* format, va_list arguments) {
        const std::size_t room = _size - _used;
        const int written = std::vsnprintf(_buffer + _used, room, format, arguments);
        if (written < 0)
            return;
        if (static_cast<std::size_t>(written) >= room) {
            _used = _size - 1; // cut: the buffer is full up to its terminator
            _cut = true;
        } else {
            _used += static_cast<std::size_t>(written);
        }
    }

    /// Ends the record with a newline, overwriting its last character when it is full.
    std::size_t finish() {
        if (_used + 1 >= _size) {
            _used = _size - 2;
            _cut = true;
        }
        _buffer[_used++] = '\n';
        _buffer[_used] = '\0';
        return _used;
    }

    bool cut() const { return _cut; }

private:
    char* _buffer;
    std::size_t _size;
    std::size_t _used = 0;
    bool _cut = false;
};

void appendPlace(RecordWriter& writer, const char* where, unsigned int line) {
    const char* parenthesis = std::strchr(where, '(');
    if (parenthesis && parenthesis != where)
        writer.appendText(where, static_cast<std::size_t>(parenthesis - where));
    else
        writer.appendText(where);
    if (line != 0) {
        writer.appendText("(", 1);
        writer.appendDecimal(static_cast<long>(line));
        writer.appendText("): ", 3);
    } else {
        writer.appendText(": ", 2);
    }
}

} // namespace

std::size_t composeTraceRecord(char* buffer, std::size_t size, const char* stamp, long thread,
                               const char* type, const char* where, unsigned int line,
                               const char* format, va_list arguments, bool* cut) {
    assert(size >= 2 && "a record needs room for its newline and terminator");
    RecordWriter writer(buffer, size);
    writer.appendText(stamp);
    writer.appendText(" (", 2);
    writer.appendDecimal(thread);
    writer.appendText("): ", 3);
    if (type) {
        writer.appendText("**", 2);
        writer.appendText(type);
        writer.appendText(": ", 2);
    }
    if (where)
        appendPlace(writer, where, line);
    writer.appendList(format, arguments);
    const std::size_t length = writer.finish();
    if (cut)
        *cut = writer.cut();
    return length;
}
