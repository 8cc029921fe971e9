//===- utilities/diagnostics/TraceRecord.cpp - Composing one trace line ----===//
#include "utilities/diagnostics/TraceRecord.h"

#include <cassert>
#include <cstdio>
#include <cstring>

namespace {

/// Appends formatted pieces to a fixed buffer, never past its end; what does not fit is
/// dropped, and the writer remembers that the text was cut.
class RecordWriter {
public:
    RecordWriter(char* buffer, std::size_t size) : _buffer(buffer), _size(size) {
        _buffer[0] = '\0';
    }

    void append(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list arguments;
        va_start(arguments, format);
        appendList(format, arguments);
        va_end(arguments);
    }

    void appendList(const char* format, va_list arguments) {
        const std::size_t room = _size - _used;
        const int written = std::vsnprintf(_buffer + _used, room, format, arguments);
        if (written < 0)
            return;
        if (static_cast<std::size_t>(written) >= room)
            _used = _size - 1; // cut: the buffer is full up to its terminator
        else
            _used += static_cast<std::size_t>(written);
    }

    /// Ends the record with a newline, overwriting its last character when it is full.
    std::size_t finish() {
        if (_used + 1 >= _size)
            _used = _size - 2;
        _buffer[_used++] = '\n';
        _buffer[_used] = '\0';
        return _used;
    }

private:
    char* _buffer;
    std::size_t _size;
    std::size_t _used = 0;
};

void appendPlace(RecordWriter& writer, const char* where, unsigned int line) {
    const char* parenthesis = std::strchr(where, '(');
    if (parenthesis && parenthesis != where) {
        const int length = static_cast<int>(parenthesis - where);
        writer.append("%*.*s", length, length, where);
    } else {
        writer.append("%s", where);
    }
    if (line != 0)
        writer.append("(%u): ", line);
    else
        writer.append(": ");
}

} // namespace

std::size_t composeTraceRecord(char* buffer, std::size_t size, const char* stamp, long thread,
                               const char* type, const char* where, unsigned int line,
                               const char* format, va_list arguments) {
    assert(size >= 2 && "a record needs room for its newline and terminator");
    RecordWriter writer(buffer, size);
    writer.append("%s (%ld): ", stamp, thread);
    if (type)
        writer.append("**%s: ", type);
    if (where)
        appendPlace(writer, where, line);
    writer.appendList(format, arguments);
    return writer.finish();
}
