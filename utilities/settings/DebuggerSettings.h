//===- utilities/settings/DebuggerSettings.h - Settings from the environment -*- C++ -*-===//
//
// The table of debugger settings. Each setting is read once, when the table is built, from
// the environment variable named by the prefix "QIM_DBG_" and the setting's name (TRACE
// comes from QIM_DBG_TRACE); blanks around the text are dropped, and the text is checked
// and normalised according to the setting's kind: booleans become "1" or "0", malformed
// numbers fall back to the default. No value is ever rejected with a message.
//
// The records sit in fixed positions, so a reader may address one by position (TRACE is
// at position 5) or look it up by name. The process-wide table is the one instance()
// builds on its first call; it is never destroyed.
//
// Usage:
//   const DebuggerSettings::Setting& trace = DebuggerSettings::instance()->setting(5);
//   const EncodedString& port = DebuggerSettings::instance()->value(L"PORT");  // "8001"
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_SETTINGS_DEBUGGERSETTINGS_H
#define QIM_UTILITIES_SETTINGS_DEBUGGERSETTINGS_H

#include "utilities/strings/EncodedString.h"

#include <cstdint>

class DebuggerSettings {
public:
    /// One setting: its name, default, current text and, for the numeric kinds, its number.
    class Setting {
    public:
        /// The kind of a setting, which decides how fixup() normalises its text.
        enum SettingType : std::int32_t {
            String = 0,  ///< the text stands as read; the default is never applied
            Boolean = 1, ///< the text becomes "1" or "0", the number 1 or 0
            Integer = 2, ///< a signed decimal number, else the default
            Unsigned = 3 ///< an unsigned decimal number, else the default
        };

        /// An unfilled slot: no name, no default, empty text, number 0, kind Integer.
        Setting();
        /// Reads the variable "QIM_DBG_" + `name`, strips its blanks and normalises it.
        /// `name` and `defaultValue` are kept as pointers and must outlive the record.
        Setting(const wchar_t* name, SettingType type, const wchar_t* defaultValue);

        /// Replaces the text by `text` and normalises it.
        void setValue(const EncodedString& text);
        /// Normalises `value` and `number` according to `type`. A kind that is none of the
        /// four turns the record into a String.
        void fixup();

        /// The setting's name without the prefix.
        const wchar_t* name;
        /// The default text; "" when there is none.
        const wchar_t* defaultValue;
        /// The current text, UTF-8.
        EncodedString value;
        /// The number of a Boolean, Integer or Unsigned setting (an Unsigned one holds the
        /// bits of its unsigned value); 0 for a String.
        std::int32_t number;
        SettingType type;

    private:
        void fixupBoolean();
        void fixupNumber();
    };

    /// The process-wide table, built from the environment on the first call and never
    /// destroyed. Not locked: the first call must come before a second thread exists.
    static DebuggerSettings* instance();

    /// A table of the 23 common settings and `extra` unfilled slots after them, for a
    /// subclass to fill (a negative `extra` counts as 0).
    explicit DebuggerSettings(int extra);
    DebuggerSettings(const DebuggerSettings&) = delete;
    DebuggerSettings& operator=(const DebuggerSettings&) = delete;
    virtual ~DebuggerSettings();

    /// Sets the first setting called exactly `name` to `text`, normalised; false when no
    /// setting has that name.
    virtual bool setValue(const wchar_t* name, const EncodedString& text);
    /// The text of the first setting called exactly `name`; a shared empty string when no
    /// setting has that name.
    virtual const EncodedString& value(const wchar_t* name);
    /// Every setting in position order, one line each: NAME = "text" and a newline.
    virtual EncodedString dump();

    /// The record at 0-based `position`, which must be below count().
    const Setting& setting(unsigned int position) const;
    /// The number of records.
    unsigned int count() const { return _count; }

protected:
    /// The first record called exactly `name`; null when there is none.
    Setting* find(const wchar_t* name) const;
    /// Reads the setting `name` into `position`, which must be below count().
    void place(unsigned int position, const wchar_t* name, Setting::SettingType type,
               const wchar_t* defaultValue);

    /// The records in position order, allocated as one array.
    Setting* _settings;
    /// The number of records.
    unsigned int _count;

private:
    void mapConsole();
};

#endif
