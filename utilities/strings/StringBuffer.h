//===- utilities/strings/StringBuffer.h - Counted string storage -*- C++ -*-===//
//
// The storage core of every string class of the library: a counted array of elements,
// always followed by one zero element, whose block comes from the StringPoolManager and
// holds exactly length + 1 elements. There is no spare room and no sharing: every change
// of length takes a new block of the new exact size, and copies copy the elements. An
// empty buffer points at the shared one-element `nullString()`.
//
// Positions are 1-based; a search returns the position of what it found, or 0 when it
// found nothing, and a start position of 0 means position 1. Elements may be zero inside
// the length: the length, not the terminator, bounds every operation. The terminator is
// there so that buffer() can go straight to the C library's string functions.
//
// Instantiated for char (EncodedString), unsigned char (ByteString) and wchar_t
// (CharString). Bytes compare and order as unsigned values; wide elements as unsigned
// 32-bit code units.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_STRINGBUFFER_H
#define QIM_UTILITIES_STRINGS_STRINGBUFFER_H

template <typename T>
class StringBuffer {
public:
    /// The count that makes remove() delete everything from its position on.
    static constexpr unsigned int toEnd = 0xFFFFFFFFu;

    /// An empty buffer.
    StringBuffer();
    /// Exactly `count` elements copied from `data` (zeros included).
    StringBuffer(const T* data, unsigned int count);
    /// The tail of `source` from `position` on; empty when `position` is past its end.
    /// Position 0 is taken as 1.
    StringBuffer(const StringBuffer& source, unsigned int position);
    /// Exactly `count` elements: those of `source` from `position` on, as many as there are,
    /// then `pad` for the rest. Position 0 is taken as 1.
    StringBuffer(const StringBuffer& source, unsigned int position, unsigned int count, T pad);
    /// Takes over `source`'s block without copying and leaves `source` empty.
    StringBuffer(StringBuffer& source);
    virtual ~StringBuffer();

    /// Gives the buffer storage for `length` elements and the terminator. The contents are
    /// kept when `length` is the current length and are undefined otherwise.
    void makeBuffer(unsigned int length);

    StringBuffer& operator=(const StringBuffer& other);
    /// Appends `other` (which may be this buffer itself).
    StringBuffer& operator+=(const StringBuffer& other);

    /// Deletes `count` elements from `position`; a count reaching past the end, toEnd
    /// included, deletes to the end. Position 0 or past the end changes nothing.
    void remove(unsigned int position, unsigned int count);
    /// Replaces the first occurrence of `from` at or after `start` by `to`.
    void change(const StringBuffer& from, const StringBuffer& to, unsigned int start = 1);
    /// Prefixes copies of `pad` up to `width` elements; nothing when already that long.
    void rightJustify(unsigned int width, T pad);

    unsigned int indexOf(T c, unsigned int start = 1) const;
    unsigned int indexOf(const StringBuffer& pattern, unsigned int start = 1) const;
    unsigned int indexOfNot(T c, unsigned int start = 1) const;
    /// The last position not after min(`start`, length) holding `c`; 0 for start 0.
    unsigned int lastIndexOf(T c, unsigned int start = toEnd) const;
    unsigned int lastIndexOfNot(T c, unsigned int start = toEnd) const;
    /// Non-overlapping occurrences of `pattern` beginning at or after `start`; an empty
    /// pattern occurs 0 times.
    unsigned int occurrencesOf(const StringBuffer& pattern, unsigned int start = 1) const;

    /// The wrapping sum of the elements' bytes read as big-endian 32-bit words (a short
    /// tail fills the high-order bytes), the same on every host.
    unsigned int hashValue() const;

    /// 1 when both hold the same elements, else 0.
    int operator==(const StringBuffer& other) const;
    /// 1 when the lengths differ, else the sign of the first differing element (0 if none).
    int operator!=(const StringBuffer& other) const;
    /// Orders by the common prefix only: buffers that agree on it are neither < nor >.
    int operator<(const StringBuffer& other) const;
    int operator>(const StringBuffer& other) const;

    /// The element at 1-based `position`, unchecked.
    T& operator[](unsigned int position) { return _buffer[position - 1]; }
    const T& operator[](unsigned int position) const { return _buffer[position - 1]; }

    /// The zero-terminated elements; valid until the next change of length.
    T* buffer() const { return _buffer; }
    unsigned int length() const { return _length; }

    /// The shared one-element empty string every empty buffer points at.
    static T* nullString();

protected:
    /// Shortens the buffer to `newLength` keeping its block, which goes back to the pools
    /// later under the smaller size. A buffer shortened to nothing gives its block back at
    /// once, so that an empty buffer is always the null string.
    void shortenInPlace(unsigned int newLength);

private:
    static unsigned int blockBytes(unsigned int length);
    void releaseBlock();

    T* _buffer;
    unsigned int _length;
};

extern template class StringBuffer<char>;
extern template class StringBuffer<unsigned char>;
extern template class StringBuffer<wchar_t>;

#endif
