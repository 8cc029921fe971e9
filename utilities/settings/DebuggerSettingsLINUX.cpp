//===- utilities/settings/DebuggerSettingsLINUX.cpp - Settings table on Linux ---===//
#include "utilities/settings/DebuggerSettingsLINUX.h"

DebuggerSettingsLINUX::DebuggerSettingsLINUX() : DebuggerSettings(6) {
    // Read in this order (FORK before VFORK); each lands in its fixed position.
    place(23, L"DISPLAY", Setting::String, L"");
    place(24, L"TRACE_SHELL", Setting::Boolean, L"");
    place(26, L"FORK", Setting::String, L"");
    place(25, L"VFORK", Setting::String, L"");
    place(27, L"DEBUG_ARANGE", Setting::Boolean, L"N");
    place(28, L"DEBUG_FRAME", Setting::Boolean, L"Y");
}

DebuggerSettingsLINUX::~DebuggerSettingsLINUX() = default;

int DebuggerSettingsLINUX::classify(const EncodedString& text) {
    if (text.length() == 0)
        return 2;
    switch (static_cast<unsigned char>(text.buffer()[0])) {
    case 'P':
    case 'p':
        return 0;
    case 'C':
    case 'c':
        return 1;
    case 'A':
    case 'a':
        return 3;
    default:
        return 2;
    }
}
