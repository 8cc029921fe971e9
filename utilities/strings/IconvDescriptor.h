//===- utilities/strings/IconvDescriptor.h - Scoped iconv descriptor -*- C++ -*-===//
//
// Owns one iconv conversion descriptor for the life of a scope and closes it on the way
// out, whichever way that is. A descriptor that could not be opened is simply not valid.
//
//   IconvDescriptor toUTF8("UTF-8", "ISO-8859-1");
//   if (toUTF8.isOpen())
//       iconvDebug(toUTF8.get(), in, inLength, out, outSize);
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_ICONVDESCRIPTOR_H
#define QIM_UTILITIES_STRINGS_ICONVDESCRIPTOR_H

#include <iconv.h>

class IconvDescriptor {
public:
    /// Opens a conversion from the code set `from` to the code set `to`.
    IconvDescriptor(const char* to, const char* from) : _cd(iconv_open(to, from)) {}
    ~IconvDescriptor() {
        if (isOpen())
            iconv_close(_cd);
    }
    IconvDescriptor(const IconvDescriptor&) = delete;
    IconvDescriptor& operator=(const IconvDescriptor&) = delete;

    /// False when iconv does not know one of the code sets.
    bool isOpen() const { return _cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return _cd; }

private:
    iconv_t _cd;
};

#endif
