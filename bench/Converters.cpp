//===- bench/Converters.cpp - UTF-8 <-> UTF-32 by the library and its peers -===//
#include "bench/Converters.h"

namespace qimbench {

// "WCHAR_T" is glibc's name for wchar_t in the host's order: no byte swapping, the fastest
// wide target iconv has.
IconvConverter::IconvConverter()
    : _toWide(iconv_open("WCHAR_T", "UTF-8")), _toUtf8(iconv_open("UTF-8", "WCHAR_T")) {}

IconvConverter::~IconvConverter() {
    for (iconv_t descriptor : {_toWide, _toUtf8})
        if (descriptor != closed)
            iconv_close(descriptor);
}

} // namespace qimbench
