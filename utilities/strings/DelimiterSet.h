//===- utilities/strings/DelimiterSet.h - Token delimiters ----------*- C++ -*-===//
//
// The set of delimiters that the tokenizers of the byte and wide strings split on: the
// members of a zero-terminated array. The terminator is not a member, so a zero element
// of the text is never a delimiter. Elements compare as unsigned values, whatever the
// signedness of the host's char.
//
//   DelimiterSet<char> blanks(" \t");
//   unsigned int start = blanks.skipMembers(text, 0, length);   // first non-blank
//   unsigned int end = blanks.findMember(text, start, length);  // the blank after it
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_DELIMITERSET_H
#define QIM_UTILITIES_STRINGS_DELIMITERSET_H

#include <type_traits>

template <typename D>
class DelimiterSet {
public:
    /// A set of the elements of the zero-terminated `members`.
    explicit DelimiterSet(const D* members) : _members(members) {}

    /// True when `element` is one of the members.
    template <typename T>
    bool contains(T element) const {
        const auto value = unsignedValue(element);
        if (value == 0)
            return false;
        for (const D* member = _members; *member != 0; ++member)
            if (unsignedValue(*member) == value)
                return true;
        return false;
    }

    /// The first index from `from` below `size` whose element is not a member; `size` when
    /// there is none.
    template <typename T>
    unsigned int skipMembers(const T* elements, unsigned int from, unsigned int size) const {
        while (from < size && contains(elements[from]))
            ++from;
        return from;
    }

    /// The first index from `from` below `size` whose element is a member; `size` when
    /// there is none.
    template <typename T>
    unsigned int findMember(const T* elements, unsigned int from, unsigned int size) const {
        while (from < size && !contains(elements[from]))
            ++from;
        return from;
    }

private:
    template <typename T>
    static unsigned long unsignedValue(T element) {
        return static_cast<unsigned long>(static_cast<std::make_unsigned_t<T>>(element));
    }

    const D* _members;
};

#endif
