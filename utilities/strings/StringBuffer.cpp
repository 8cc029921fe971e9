//===- utilities/strings/StringBuffer.cpp - Counted string storage --------===//
//
// Operations that change the length move the old block into a temporary with the taking
// constructor, make a block of the new exact size and copy each element once; the
// temporary gives the old block back when it goes, also when an exception passes.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/StringBuffer.h"

#include "utilities/strings/StringPoolManager.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace {

/// Copies `count` elements; a zero count never touches either pointer.
template <typename T>
void copyElements(T* target, const T* source, unsigned int count) {
    if (count != 0)
        std::memcpy(target, source, static_cast<std::size_t>(count) * sizeof(T));
}

/// The index a search starts at: position `start`, with 0 taken as 1.
unsigned int startIndex(unsigned int start) {
    return start == 0 ? 0 : start - 1;
}

/// Compares element values, bytes and wide code units alike as unsigned numbers, so that
/// the order is the one a big-endian memcmp over the elements gives.
template <typename T>
int compareElements(const T* left, const T* right, unsigned int count) {
    if constexpr (sizeof(T) == 1)
        return count == 0 ? 0 : std::memcmp(left, right, count);
    for (unsigned int i = 0; i < count; ++i) {
        const auto l = static_cast<std::uint32_t>(left[i]);
        const auto r = static_cast<std::uint32_t>(right[i]);
        if (l != r)
            return l < r ? -1 : 1;
    }
    return 0;
}

/// The byte buffers' hash: big-endian words, a 1-to-3-byte tail in the high-order bytes.
std::uint32_t hashBytes(const unsigned char* bytes, std::size_t count) {
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4)
        sum += std::uint32_t{bytes[i]} << 24 | std::uint32_t{bytes[i + 1]} << 16 |
               std::uint32_t{bytes[i + 2]} << 8 | std::uint32_t{bytes[i + 3]};
    std::uint32_t tail = 0;
    for (unsigned int shift = 24; i < count; ++i, shift -= 8)
        tail |= std::uint32_t{bytes[i]} << shift;
    return sum + tail;
}

/// The wide buffers' hash: the wrapping sum of the code units.
std::uint32_t hashCodeUnits(const wchar_t* units, unsigned int count) {
    std::uint32_t sum = 0;
    for (unsigned int i = 0; i < count; ++i)
        sum += static_cast<std::uint32_t>(units[i]);
    return sum;
}

} // namespace

template <typename T>
T* StringBuffer<T>::nullString() {
    static T empty[1] = {};
    return empty;
}

template <typename T>
unsigned int StringBuffer<T>::blockBytes(unsigned int length) {
    if (length >= 0xFFFFFFFFu / sizeof(T))
        throw std::length_error("string too long for a pool block");
    return (length + 1) * static_cast<unsigned int>(sizeof(T));
}

template <typename T>
StringBuffer<T>::StringBuffer() : _buffer(nullString()), _length(0) {}

template <typename T>
StringBuffer<T>::StringBuffer(const T* data, unsigned int count) : _buffer(nullptr), _length(0) {
    assert((data != nullptr || count == 0) && "elements to copy from a null pointer");
    makeBuffer(count);
    copyElements(_buffer, data, count);
}

template <typename T>
StringBuffer<T>::StringBuffer(const StringBuffer& source, unsigned int position)
    : _buffer(nullptr), _length(0) {
    const unsigned int first = startIndex(position);
    const unsigned int count = first < source._length ? source._length - first : 0;
    makeBuffer(count);
    copyElements(_buffer, source._buffer + first, count);
}

template <typename T>
StringBuffer<T>::StringBuffer(const StringBuffer& source, unsigned int position, unsigned int count,
                              T pad)
    : _buffer(nullptr), _length(0) {
    const unsigned int first = startIndex(position);
    const unsigned int available = first < source._length ? source._length - first : 0;
    const unsigned int copied = std::min(available, count);
    makeBuffer(count);
    copyElements(_buffer, source._buffer + first, copied);
    std::fill(_buffer + copied, _buffer + count, pad);
}

template <typename T>
StringBuffer<T>::StringBuffer(StringBuffer& source)
    : _buffer(source._buffer), _length(source._length) {
    source._buffer = nullString();
    source._length = 0;
}

template <typename T>
StringBuffer<T>::~StringBuffer() {
    releaseBlock();
}

template <typename T>
void StringBuffer<T>::releaseBlock() {
    if (_length != 0 && _buffer != nullptr)
        StringPoolManager::instance().freeBuffer(_buffer, blockBytes(_length));
}

template <typename T>
void StringBuffer<T>::makeBuffer(unsigned int length) {
    if (_buffer != nullptr && _length == length)
        return;
    const unsigned int bytes = blockBytes(length);
    releaseBlock();
    // Empty first, so that the object stays sound if the pool throws.
    _buffer = nullString();
    _length = 0;
    if (length == 0)
        return;
    _buffer = static_cast<T*>(StringPoolManager::instance().getBuffer(bytes));
    _buffer[length] = T();
    _length = length;
}

template <typename T>
void StringBuffer<T>::shortenInPlace(unsigned int newLength) {
    assert(newLength <= _length && "shortening in place cannot lengthen");
    if (newLength == _length)
        return;
    if (newLength == 0) {
        makeBuffer(0);
        return;
    }
    _buffer[newLength] = T();
    _length = newLength;
}

template <typename T>
StringBuffer<T>& StringBuffer<T>::operator=(const StringBuffer& other) {
    if (this == &other)
        return *this;
    makeBuffer(other._length);
    copyElements(_buffer, other._buffer, other._length);
    return *this;
}

template <typename T>
StringBuffer<T>& StringBuffer<T>::operator+=(const StringBuffer& other) {
    if (other._length == 0)
        return *this;
    // Read the other's elements before taking the block: they may be this buffer's own.
    const T* appended = other._buffer;
    const unsigned int appendedLength = other._length;
    StringBuffer old(*this);
    if (appendedLength > 0xFFFFFFFFu - old._length)
        throw std::length_error("string too long for a pool block");
    makeBuffer(old._length + appendedLength);
    copyElements(_buffer, old._buffer, old._length);
    copyElements(_buffer + old._length, appended, appendedLength);
    return *this;
}

template <typename T>
void StringBuffer<T>::remove(unsigned int position, unsigned int count) {
    if (position == 0 || position > _length)
        return;
    const unsigned int kept = position - 1;
    // Any count that reaches the end, however large, cuts the buffer before `position`.
    const unsigned int after = count >= _length - kept ? 0 : _length - kept - count;
    StringBuffer old(*this);
    makeBuffer(kept + after);
    copyElements(_buffer, old._buffer, kept);
    copyElements(_buffer + kept, old._buffer + old._length - after, after);
}

template <typename T>
void StringBuffer<T>::change(const StringBuffer& from, const StringBuffer& to, unsigned int start) {
    if (start > _length)
        return;
    const unsigned int position = indexOf(from, start);
    if (position == 0)
        return;
    // Read both arguments before taking the block: either may be this buffer itself.
    const unsigned int fromLength = from._length;
    const T* replacement = to._buffer;
    const unsigned int replacementLength = to._length;
    StringBuffer old(*this);
    const unsigned int kept = position - 1;
    const unsigned int after = old._length - kept - fromLength;
    if (replacementLength > 0xFFFFFFFFu - kept - after)
        throw std::length_error("string too long for a pool block");
    makeBuffer(kept + replacementLength + after);
    copyElements(_buffer, old._buffer, kept);
    copyElements(_buffer + kept, replacement, replacementLength);
    copyElements(_buffer + kept + replacementLength, old._buffer + kept + fromLength, after);
}

template <typename T>
void StringBuffer<T>::rightJustify(unsigned int width, T pad) {
    if (width <= _length)
        return;
    StringBuffer old(*this);
    makeBuffer(width);
    const unsigned int padding = width - old._length;
    std::fill(_buffer, _buffer + padding, pad);
    copyElements(_buffer + padding, old._buffer, old._length);
}

template <typename T>
unsigned int StringBuffer<T>::indexOf(T c, unsigned int start) const {
    for (unsigned int i = startIndex(start); i < _length; ++i)
        if (_buffer[i] == c)
            return i + 1;
    return 0;
}

template <typename T>
unsigned int StringBuffer<T>::indexOfNot(T c, unsigned int start) const {
    for (unsigned int i = startIndex(start); i < _length; ++i)
        if (_buffer[i] != c)
            return i + 1;
    return 0;
}

template <typename T>
unsigned int StringBuffer<T>::indexOf(const StringBuffer& pattern, unsigned int start) const {
    const unsigned int first = startIndex(start);
    if (pattern._length == 0)
        return first <= _length ? first + 1 : 0;
    if (pattern._length > _length)
        return 0;
    const unsigned int last = _length - pattern._length;
    for (unsigned int i = first; i <= last; ++i)
        if (compareElements(_buffer + i, pattern._buffer, pattern._length) == 0)
            return i + 1;
    return 0;
}

template <typename T>
unsigned int StringBuffer<T>::lastIndexOf(T c, unsigned int start) const {
    for (unsigned int position = std::min(start, _length); position >= 1; --position)
        if (_buffer[position - 1] == c)
            return position;
    return 0;
}

template <typename T>
unsigned int StringBuffer<T>::lastIndexOfNot(T c, unsigned int start) const {
    for (unsigned int position = std::min(start, _length); position >= 1; --position)
        if (_buffer[position - 1] != c)
            return position;
    return 0;
}

template <typename T>
unsigned int StringBuffer<T>::occurrencesOf(const StringBuffer& pattern, unsigned int start) const {
    if (start > _length || pattern._length > _length || pattern._length == 0)
        return 0;
    const unsigned int last = _length - pattern._length;
    unsigned int count = 0;
    for (unsigned int i = startIndex(start); i <= last;) {
        if (compareElements(_buffer + i, pattern._buffer, pattern._length) == 0) {
            ++count;
            i += pattern._length;
        } else {
            ++i;
        }
    }
    return count;
}

template <typename T>
unsigned int StringBuffer<T>::hashValue() const {
    if constexpr (sizeof(T) == 1)
        return hashBytes(reinterpret_cast<const unsigned char*>(_buffer), _length);
    else
        return hashCodeUnits(_buffer, _length);
}

template <typename T>
int StringBuffer<T>::operator==(const StringBuffer& other) const {
    return _length == other._length && compareElements(_buffer, other._buffer, _length) == 0;
}

template <typename T>
int StringBuffer<T>::operator!=(const StringBuffer& other) const {
    if (_length != other._length)
        return 1;
    return compareElements(_buffer, other._buffer, _length);
}

template <typename T>
int StringBuffer<T>::operator<(const StringBuffer& other) const {
    return compareElements(_buffer, other._buffer, std::min(_length, other._length)) < 0;
}

template <typename T>
int StringBuffer<T>::operator>(const StringBuffer& other) const {
    return compareElements(_buffer, other._buffer, std::min(_length, other._length)) > 0;
}

template class StringBuffer<char>;
template class StringBuffer<unsigned char>;
template class StringBuffer<wchar_t>;
