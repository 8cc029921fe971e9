//===- shell/LaunchParameters.cpp - The shell's command line --------------===//
#include "shell/LaunchParameters.h"

#include "shell/ShellTrace.h"
#include "utilities/settings/DecimalText.h"

#include <cstring>
#include <cwchar>

pid_t shell_pid;
key_t msg_key = -1;
int debug_flags = 0;
pid_t master_pid = 0;
ByteString library_path_env;
ByteString nls_path_env;

namespace {

// The keywords, in the order in which each argument is tested against them.
const CharString& flagsKeyword() {
    static const CharString keyword(L"-FLAGS");
    return keyword;
}
const CharString& nlsPathKeyword() {
    static const CharString keyword(L"-NLSPATH");
    return keyword;
}
const CharString& libraryPathKeyword() {
    static const CharString keyword(L"-LD_LIBRARY_PATH");
    return keyword;
}
const CharString& masterPidKeyword() {
    static const CharString keyword(L"-DEBUGGER_PID");
    return keyword;
}
const CharString& keyKeyword() {
    static const CharString keyword(L"-KEY");
    return keyword;
}
const CharString& endOfParametersKeyword() {
    static const CharString keyword(L"--");
    return keyword;
}

} // namespace

// A keyword that readParameters learns to test belongs here too: this list is what the
// manual page is checked against.
const std::vector<const CharString*>& parameterKeywords() {
    static const std::vector<const CharString*> keywords{
        &flagsKeyword(),     &nlsPathKeyword(), &libraryPathKeyword(),
        &masterPidKeyword(), &keyKeyword(),     &endOfParametersKeyword()};
    return keywords;
}

namespace {

/// Keywords that take a value are followed by "="; "--" takes none and must stand alone.
const wchar_t* const valueSeparators = L"=";
const wchar_t* const noSeparators = L"";

bool isValueKeyword(CharString& parm, const CharString& keyword) {
    return checkParameter(parm, keyword, keyword.length(), 1, valueSeparators) != 0;
}

// The value must be a whole decimal integer to count as given. A number followed by
// other text is still stored, as scanf("%d%c") would store it; a number too large for an
// int is refused and stores nothing.
void readInteger(const CharString& value, int& parameter, bool& given) {
    const EncodedString text = value.encoded();
    const DecimalText number =
        scanDecimal(text.buffer(), text.buffer() + std::strlen(text.buffer()));
    if (number.toInt(parameter) && number.whole)
        given = true;
}

// The value's own bytes in the argument "-<name>=<value>", or the whole argument
// "-<name>", which is its own value; null when the argument's bytes are not of that form
// (a native code page that is not ASCII-compatible).
const char* valueBytes(const char* argument, const char* name) {
    const std::size_t nameLength = std::strlen(name);
    if (argument[0] != '-' || std::strncmp(argument + 1, name, nameLength) != 0)
        return nullptr;
    const char* end = argument + 1 + nameLength;
    if (*end == '=')
        return end + 1;
    return *end == '\0' ? argument : nullptr;
}

// "<name>=<value>" for the debuggee's environment. The value keeps the argument's own
// bytes, so that text the native code page cannot represent reaches the debuggee
// unchanged; only when those bytes cannot be found is the value converted back.
ByteString environmentEntry(const char* name, const char* argument, const CharString& value) {
    const char* bytes = valueBytes(argument, name);
    const ByteString converted = bytes ? ByteString() : EncodedString(value).convertToNative();
    if (!bytes)
        bytes = converted.chars();
    return ByteString(name, static_cast<unsigned int>(std::strlen(name)), "=", 1, bytes,
                      static_cast<unsigned int>(std::strlen(bytes)));
}

} // namespace

int checkParameter(CharString& parm, const CharString& keyword, unsigned int minLength, int exact,
                   const wchar_t* separators) {
    if (minLength > parm.length())
        return 0;
    const unsigned int common = parm.matchLength(keyword, exact);
    if (common < minLength)
        return 0;
    if (common == parm.length())
        return 1;
    const wchar_t next = parm[common + 1];
    if (separators == nullptr || next == L'\0' || std::wcschr(separators, next) == nullptr)
        return 0;
    parm = CharString(parm, common + 2);
    return 1;
}

int checkParameter(CharString& parm, const wchar_t* keyword, unsigned int minLength, int exact,
                   const wchar_t* separators) {
    return checkParameter(parm, CharString(keyword), minLength, exact, separators);
}

ParameterScan readParameters(int argc, char** argv) {
    ParameterScan scan;
    for (int i = 1; i < argc; ++i) {
        CharString parm;
        parm.loadFrom(argv[i], EncodedString::Native);
        if (isValueKeyword(parm, flagsKeyword()))
            readInteger(parm, debug_flags, scan.flagsGiven);
        else if (isValueKeyword(parm, nlsPathKeyword()))
            nls_path_env = environmentEntry("NLSPATH", argv[i], parm);
        else if (isValueKeyword(parm, libraryPathKeyword()))
            library_path_env = environmentEntry("LD_LIBRARY_PATH", argv[i], parm);
        else if (isValueKeyword(parm, masterPidKeyword()))
            readInteger(parm, master_pid, scan.pidGiven);
        else if (isValueKeyword(parm, keyKeyword()))
            readInteger(parm, msg_key, scan.keyGiven);
        else if (checkParameter(parm, endOfParametersKeyword(), endOfParametersKeyword().length(),
                                1, noSeparators)) {
            scan.debuggee_index = static_cast<unsigned int>(i) + 1;
            break;
        } else
            traceVEK(shellProgramPlace, __LINE__, "Parmeter \"%s\" is not recognized", argv[i]);
    }
    return scan;
}

bool parametersComplete(const ParameterScan& scan, int argc) {
    if (!scan.flagsGiven) {
        traceVEK(shellProgramPlace, __LINE__, "Missing FLAG parm");
        return false;
    }
    if (scan.debuggee_index >= static_cast<unsigned int>(argc)) {
        traceVEK(shellProgramPlace, __LINE__, "Missing debuggee name");
        return false;
    }
    if (!scan.pidGiven || !scan.keyGiven) {
        traceVEK(shellProgramPlace, __LINE__,
                 "Missing master PID or message Key for running a program");
        return false;
    }
    return true;
}
