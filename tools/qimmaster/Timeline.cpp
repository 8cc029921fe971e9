//===- tools/qimmaster/Timeline.cpp - The handshake step by step ----------===//
#include "tools/qimmaster/Timeline.h"

#include <cstdarg>
#include <cstdio>

namespace qimmaster {

void Timeline::note(const char* format, ...) const {
    if (!_enabled)
        return;
    const std::chrono::duration<double, std::milli> elapsed = Clock::now() - _start;
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    // One write per line, so that lines of the shell's trace on the same stream stay whole.
    std::fprintf(stderr, "qimmaster: [%6.1f ms] %s\n", elapsed.count(), text);
}

} // namespace qimmaster
