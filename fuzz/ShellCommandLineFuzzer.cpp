//===- fuzz/ShellCommandLineFuzzer.cpp - The shell's command line and records -*- C++ -*-===//
//
// Fuzz target shell_command_line: the shell's keyword matching (checkParameter), its
// parameter loop and checks over whole argument vectors, and the accessors of the
// records it exchanges with the master, each against a model.
//
// The input is read in three parts: a keyword match with its arguments, an argument
// vector (raw bytes split at zero bytes, or spelled from the keywords, "=", numbers and
// other pieces), and a record: a type and 100 text bytes that need not hold a zero byte.
// The record is placed at the very end of a heap block of exactly the type and the text,
// as msgrcv fills one, so that AddressSanitizer reports any read past the 100 bytes.
// The native code set is ISO-8859-1, so every argument byte reads as one character.
//
// Properties:
//   - checkParameter matches, and leaves the parameter, as the steps of the algorithm say;
//   - the loop sets a given flag only for a whole decimal integer that fits an int (strtoll
//     and the range), keeps the value of the last occurrence that begins with one, builds
//     the environment entries from the arguments' own bytes, stops at the first "--", and
//     the checks after it fail in their fixed order;
//   - a record's type, flag, values and text size are the model's, and records built from
//     values give those values back.
//
//===----------------------------------------------------------------------------===//
#include "fuzz/FuzzSupport.h"
#include "fuzz/ReferenceDecimal.h"

#include "shell/LaunchParameters.h"
#include "shell/ShellMsg.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

namespace {

using qimfuzz::printable;
using qimfuzz::unitsOf;

// --- checkParameter -------------------------------------------------------------------

/// Characters for keywords, parameters and separators: mostly ASCII, some beyond it.
wchar_t unitOf(unsigned char byte) {
    static const wchar_t beyondAscii[4] = {0xE9, 0x2003, 0x1F600, static_cast<wchar_t>(0x80000000)};
    return byte < 0xFC ? static_cast<wchar_t>(byte & 0x7F) : beyondAscii[byte - 0xFC];
}

std::wstring unitsFrom(const std::string& bytes) {
    std::wstring units;
    for (const char c : bytes)
        units += unitOf(static_cast<unsigned char>(c));
    return units;
}

int modelCheckParameter(std::wstring& parm, const std::wstring& keyword, unsigned int minLength,
                        int exact, const wchar_t* separators) {
    if (minLength > parm.size())
        return 0;
    const unsigned int common = qimfuzz::modelMatchLength(parm, keyword, exact);
    if (common < minLength)
        return 0;
    if (common == parm.size())
        return 1;
    if (separators == nullptr || parm[common] == L'\0' ||
        std::wstring(separators).find(parm[common]) == std::wstring::npos)
        return 0;
    parm.erase(0, common + 1);
    return 1;
}

void checkKeywordMatch(FuzzedDataProvider& input) {
    std::wstring keyword = unitsFrom(input.ConsumeRandomLengthString(12));
    const std::wstring parmText = unitsFrom(input.ConsumeRandomLengthString(16));
    const auto minLength = input.ConsumeIntegralInRange<unsigned int>(0, 14);
    const int exact = input.ConsumeBool() ? 1 : 0;
    const bool noSeparators = input.ConsumeBool();
    const std::wstring separators = unitsFrom(input.ConsumeRandomLengthString(3));
    // A keyword and separators are zero-terminated texts.
    keyword = keyword.c_str();
    const wchar_t* separatorSet = noSeparators ? nullptr : separators.c_str();

    CharString parm(parmText.data(), static_cast<unsigned int>(parmText.size()));
    std::wstring expected = parmText;
    const int matched = checkParameter(parm, keyword.c_str(), minLength, exact, separatorSet);
    const int expectedMatch =
        modelCheckParameter(expected, keyword, minLength, exact, separatorSet);
    QIM_FUZZ_CHECK((matched != 0) == (expectedMatch != 0) && unitsOf(parm) == expected,
                   "checkParameter(\"%s\", \"%s\", %u, %d, %s) gave %d leaving \"%s\"",
                   printable(parmText).c_str(), printable(keyword).c_str(), minLength, exact,
                   separatorSet ? printable(separators.c_str()).c_str() : "null", matched,
                   printable(unitsOf(parm)).c_str());
}

// --- The parameter loop ---------------------------------------------------------------

/// A launch parameter read from -FLAGS, -DEBUGGER_PID or -KEY as the model follows it.
struct IntegerParameter {
    const char* keyword;
    int value;
    /// False once an occurrence held a number too large for an int: what it stores then
    /// is the shell's choice.
    bool known = true;
    bool given = false;
};

/// What the shell makes of `argument` if it is `keyword` with "=" and a value or alone;
/// false when it is not that keyword.
bool valueOf(const std::string& argument, const std::string& keyword, std::string& value) {
    if (argument.compare(0, keyword.size(), keyword) != 0)
        return false;
    if (argument.size() == keyword.size()) {
        value = argument; // the keyword alone is its own value
        return true;
    }
    if (argument[keyword.size()] != '=')
        return false;
    value = argument.substr(keyword.size() + 1);
    return true;
}

void readInteger(const std::string& value, IntegerParameter& parameter) {
    const qimfuzz::DecimalReading reading =
        qimfuzz::readSignedDecimal(value.c_str(), INT_MIN, INT_MAX);
    if (!reading.found)
        return;
    if (!reading.inRange) {
        parameter.known = false;
        return;
    }
    parameter.value = static_cast<int>(reading.value);
    parameter.known = true;
    parameter.given = parameter.given || reading.whole;
}

/// Pieces of command lines, for argument vectors spelled from the input.
const char* const argumentPieces[16] = {"-FLAGS",
                                        "-NLSPATH",
                                        "-LD_LIBRARY_PATH",
                                        "-DEBUGGER_PID",
                                        "-KEY",
                                        "--",
                                        "=",
                                        "=",
                                        "8",
                                        " ",
                                        "-12",
                                        "2147483648",
                                        "x",
                                        "/bin/a",
                                        "\xE9",
                                        "-2147483648"};

std::vector<std::string> argumentsFrom(const std::string& bytes, bool raw) {
    std::vector<std::string> arguments(1);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (raw ? byte == 0 : (byte & 0x1F) == 0x1F)
            arguments.emplace_back();
        else
            arguments.back() += raw ? std::string(1, c) : argumentPieces[byte & 0x0F];
    }
    return arguments;
}

std::string environmentEntry(const char* name, const std::string& value) {
    return std::string(name) + "=" + value;
}

void checkParameterLoop(const std::vector<std::string>& arguments) {
    std::vector<std::string> argvText = {"qimshell"};
    argvText.insert(argvText.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : argvText)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(argvText.size());

    msg_key = -1;
    debug_flags = 0;
    master_pid = 0;
    library_path_env = ByteString();
    nls_path_env = ByteString();
    const ParameterScan scan = readParameters(argc, argv.data());
    const bool complete = parametersComplete(scan, argc);

    IntegerParameter flags{"-FLAGS", 0};
    IntegerParameter pid{"-DEBUGGER_PID", 0};
    IntegerParameter key{"-KEY", -1};
    std::string nlsPath;
    std::string libraryPath;
    unsigned int debuggeeIndex = ~0u;
    for (int i = 1; i < argc; ++i) {
        const std::string& argument = argvText[i];
        std::string value;
        if (valueOf(argument, "-FLAGS", value))
            readInteger(value, flags);
        else if (valueOf(argument, "-NLSPATH", value))
            nlsPath = environmentEntry("NLSPATH", value);
        else if (valueOf(argument, "-LD_LIBRARY_PATH", value))
            libraryPath = environmentEntry("LD_LIBRARY_PATH", value);
        else if (valueOf(argument, "-DEBUGGER_PID", value))
            readInteger(value, pid);
        else if (valueOf(argument, "-KEY", value))
            readInteger(value, key);
        else if (argument == "--") {
            debuggeeIndex = static_cast<unsigned int>(i) + 1;
            break;
        }
    }

    std::string shown;
    for (const std::string& argument : arguments)
        shown += " \"" + printable(argument) + "\"";
    for (const auto& [parameter, given, actual] :
         {std::make_tuple(&flags, scan.flagsGiven, debug_flags),
          std::make_tuple(&pid, scan.pidGiven, int(master_pid)),
          std::make_tuple(&key, scan.keyGiven, int(msg_key))}) {
        QIM_FUZZ_CHECK(given == parameter->given, "%s given is %d for%s", parameter->keyword, given,
                       shown.c_str());
        QIM_FUZZ_CHECK(!parameter->known || actual == parameter->value,
                       "%s is %d, expected %d, for%s", parameter->keyword, actual, parameter->value,
                       shown.c_str());
    }
    QIM_FUZZ_CHECK(qimfuzz::bytesOf(nls_path_env) == nlsPath &&
                       qimfuzz::bytesOf(library_path_env) == libraryPath,
                   "environment entries \"%s\" and \"%s\" for%s",
                   printable(qimfuzz::bytesOf(nls_path_env)).c_str(),
                   printable(qimfuzz::bytesOf(library_path_env)).c_str(), shown.c_str());
    QIM_FUZZ_CHECK(scan.debuggee_index == debuggeeIndex, "debuggee index %u, expected %u, for%s",
                   scan.debuggee_index, debuggeeIndex, shown.c_str());
    const bool expectedComplete =
        flags.given && debuggeeIndex < static_cast<unsigned int>(argc) && pid.given && key.given;
    QIM_FUZZ_CHECK(complete == expectedComplete, "parametersComplete is %d for%s", complete,
                   shown.c_str());
}

// --- Records --------------------------------------------------------------------------

static_assert(std::is_trivially_copyable<ShellMsg>::value &&
                  std::is_standard_layout<ShellMsg>::value,
              "a record is the plain message buffer that msgrcv fills");

/// The bytes of a record as msgrcv leaves them: the type, then the 100 text bytes.
constexpr std::size_t recordBytes = sizeof(long) + ShellMsg::textCapacity;

struct RecordModel {
    int type;
    int flag;
    int first;
    int second;
    std::size_t textSize;
};

RecordModel modelRecord(long type, const std::string& text) {
    RecordModel model{0, 1, -1, -1, 0};
    if (type >= 1 && type <= 3)
        model.type = static_cast<int>(type);
    if (type == 3)
        model.flag = static_cast<unsigned char>(text[0]);
    const std::string terminated = text.c_str(); // the text up to a zero byte, within 100
    model.textSize =
        terminated.size() < ShellMsg::textCapacity ? terminated.size() + 1 : ShellMsg::textCapacity;
    const char* const start = terminated.c_str();
    const qimfuzz::DecimalReading first = qimfuzz::readSignedDecimal(start, INT_MIN, INT_MAX);
    if (!first.found || !first.inRange || (type != 1 && type != 2))
        return model;
    model.first = static_cast<int>(first.value);
    if (type != 2)
        return model;
    char* afterFirst = nullptr;
    std::strtoll(start, &afterFirst, 10); // where the first number ends
    const qimfuzz::DecimalReading second = qimfuzz::readSignedDecimal(afterFirst, INT_MIN, INT_MAX);
    if (second.found && second.inRange)
        model.second = static_cast<int>(second.value);
    return model;
}

/// The text bytes of a record: raw, or spelled from numbers, blanks and signs.
const char* const textPieces[16] = {" ",  "\t",         "-",           "+",           "1", "2",
                                    "12", "2147483647", "2147483648",  "-2147483648", "0", "x",
                                    "9",  "\n",         "99999999999", "\x01"};

void checkRecord(FuzzedDataProvider& input) {
    // The types in use, others, one whose low 32 bits are 1, or any.
    const long types[] = {0, 1, 2, 3, -1, 7, 0x100000001L};
    const int typeChoice = input.ConsumeIntegralInRange(0, 7);
    const long type = typeChoice < 7 ? types[typeChoice] : input.ConsumeIntegral<long>();
    const bool raw = input.ConsumeBool();
    const char filler = input.ConsumeBool() ? '\0' : '5';
    std::string text;
    for (const char c : input.ConsumeBytesAsString(ShellMsg::textCapacity))
        text += raw ? std::string(1, c) : textPieces[static_cast<unsigned char>(c) & 0x0F];
    text.resize(ShellMsg::textCapacity, filler);
    const std::string terminatedText = text + '\0'; // for the model only

    // The record ends exactly where the heap block ends.
    std::unique_ptr<unsigned char[]> block(new unsigned char[recordBytes]);
    std::memcpy(block.get(), &type, sizeof type);
    std::memcpy(block.get() + sizeof type, text.data(), ShellMsg::textCapacity);
    const ShellMsg& record = *reinterpret_cast<const ShellMsg*>(block.get());

    const RecordModel model = modelRecord(type, terminatedText);
    const RecordModel actual{record.type(), record.flag(), record.intValue(), record.secondValue(),
                             record.textSize()};
    QIM_FUZZ_CHECK(
        actual.type == model.type && actual.flag == model.flag && actual.first == model.first &&
            actual.second == model.second && actual.textSize == model.textSize,
        "record of type %ld and text \"%s\": type %d flag %d values %d %d size %zu; "
        "expected %d %d %d %d %zu",
        type, printable(text).c_str(), actual.type, actual.flag, actual.first, actual.second,
        actual.textSize, model.type, model.flag, model.first, model.second, model.textSize);

    const int first = input.ConsumeIntegral<int>();
    const int second = input.ConsumeIntegral<int>();
    const auto flagByte = input.ConsumeIntegral<unsigned char>();
    const ShellIntMsg single(first);
    const ShellIntPairMsg pair(first, second);
    const ShellFlagMsg flag(flagByte);
    QIM_FUZZ_CHECK(single.type() == SHELL_MSG_INT && single.intValue() == first &&
                       single.textSize() == std::to_string(first).size() + 1,
                   "ShellIntMsg(%d)", first);
    QIM_FUZZ_CHECK(pair.intValue() == first && pair.secondValue() == second,
                   "ShellIntPairMsg(%d, %d)", first, second);
    QIM_FUZZ_CHECK(flag.flag() == flagByte && flag.intValue() == -1 &&
                       flag.textSize() == (flagByte == 0 ? 1u : 2u),
                   "ShellFlagMsg(%d)", flagByte);
}

} // namespace

QIM_FUZZ_INITIALIZE_WITH_CODESET("ISO-8859-1")

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    checkKeywordMatch(input);
    checkRecord(input);
    const bool raw = input.ConsumeBool();
    checkParameterLoop(argumentsFrom(input.ConsumeRemainingBytesAsString(), raw));
    return 0;
}
