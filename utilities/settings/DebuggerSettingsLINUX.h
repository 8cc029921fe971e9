//===- utilities/settings/DebuggerSettingsLINUX.h - Settings table on Linux -*- C++ -*-===//
//
// The settings table built on Linux: the 23 common settings of DebuggerSettings followed by
// six Linux ones in positions 23 to 28 (DISPLAY, TRACE_SHELL, VFORK, FORK, DEBUG_ARANGE,
// DEBUG_FRAME). Everything but the construction is the common table's.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_SETTINGS_DEBUGGERSETTINGSLINUX_H
#define QIM_UTILITIES_SETTINGS_DEBUGGERSETTINGSLINUX_H

#include "utilities/settings/DebuggerSettings.h"

class DebuggerSettingsLINUX : public DebuggerSettings {
public:
    /// Reads all 29 settings from the environment as it is now.
    DebuggerSettingsLINUX();
    ~DebuggerSettingsLINUX() override;

    /// Sorts a text by its first byte: "P"/"p" 0, "C"/"c" 1, "A"/"a" 3, anything else
    /// (and the empty text) 2.
    static int classify(const EncodedString& text);
};

#endif
