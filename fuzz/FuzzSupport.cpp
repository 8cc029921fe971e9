//===- fuzz/FuzzSupport.cpp - What every fuzz target shares ---------------===//
#include "fuzz/FuzzSupport.h"

#include "utilities/diagnostics/TraceImplementation.h"
#include "utilities/settings/DebuggerSettings.h"
#include "utilities/strings/UTF8Converter.h"

#include <map>

/// Sends the trace to /dev/null and makes ISO-8859-1 the native code set, so that every byte
/// is one character; then builds the settings table, the trace and the converter for good.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("QIM_DBG_TRACE", "/dev/null", 1);
    setenv("QIM_DBG_CODEPAGE", "ISO-8859-1", 1);
    DebuggerSettings::instance();
    TraceImplementation::start(nullptr);
    return UTF8Converter::instance().hasToNative() ? 0 : -1;
}

std::size_t iconvert(const char* from, const char* to, const S& in, S& out, bool* cut) {
    static auto& descriptors = *new std::map<std::pair<S, S>, iconv_t>; // kept for good
    iconv_t& cd = descriptors[{from, to}];
    cd = cd ? cd : iconv_open(to, from); // every code set used here is one that glibc has
    out.assign(8 * in.size() + 16, '\0');
    char* source = const_cast<char*>(in.data());
    char* target = &out[0];
    std::size_t left = in.size(), room = out.size();
    // The code sets used here have no shift states to reset or to close.
    if (iconv(cd, &source, &left, &target, &room) == static_cast<std::size_t>(-1) && cut)
        *cut = errno == EINVAL;
    out.resize(out.size() - room);
    return in.size() - left;
}

S spell(const S& bytes, const char* table) {
    S spelled;
    for (const char c : bytes) {
        const char* piece = table;
        for (int index = c & 15; index > 0; --index)
            piece = std::strchr(piece, '|') + 1;
        spelled.append(piece, std::strchr(piece, '|'));
    }
    return spelled;
}
