//===- fuzz/ShellCommandLineFuzzer.cpp - The shell's command line and records -*- C++ -*-===//
//
// Fuzz target shell_command_line: the shell's keyword matching (checkParameter), its
// parameter loop over whole argument vectors, and the records it exchanges with the master.
// The input gives a keyword match and its arguments; a record: a type and 100 text bytes
// that need not hold a zero byte, placed at the very end of an exact-size heap block, as
// msgrcv fills one, so that AddressSanitizer reports a read past them; values for records
// built here; an argument vector (raw bytes split at zero bytes, or spelled from pieces).
// Properties: a keyword matches as far as CharString::matchLength says, then ends or goes on
// with a separator and a value; a record's type and values are those of its text as strtoll
// reads it, where they fit an int; records built from values give them back.
//
//===----------------------------------------------------------------------------===//
#include "fuzz/FuzzSupport.h"

#include "shell/LaunchParameters.h"
#include "shell/ShellMsg.h"

static CharString unitsFrom(const S& bytes) { // mostly ASCII, some beyond it
    W units;
    for (const char c : bytes)
        units += (c & 0xFC) == 0xFC ? L"\u00E9\u2003\U0001F600\x80000000"[c & 3] : c & 0x7F;
    return CharString(units.data(), units.size());
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const CharString keyword(unitsFrom(input.ConsumeRandomLengthString(12)).buffer());
    const CharString given = unitsFrom(input.ConsumeRandomLengthString(16));
    const unsigned int least = input.ConsumeIntegralInRange(0, 14), exact = input.ConsumeBool();
    const bool none = input.ConsumeBool();
    const W separators = unitsFrom(input.ConsumeRandomLengthString(3)).buffer(), all = text(given);
    CharString parm(given);
    const bool match =
        checkParameter(parm, keyword, least, exact, none ? nullptr : separators.c_str());
    const unsigned int common = given.matchLength(keyword, exact);
    const bool value = common >= least && common < all.size() && !none && all[common] &&
                       separators.find(all[common]) != W::npos;
    const W matches[][2] = {
        {text(parm) + L"|" + std::to_wstring(match),
         (value ? all.substr(common + 1) : all) + L"|" +
             std::to_wstring(common >= least && (common == all.size() || value))}};
    QIM_FUZZ_ROWS(matches, all);

    const int choice = input.ConsumeIntegralInRange(0, 7); // a type in use, another, or any
    const long types[] = {0, 1, 2, 3, -1, 7, 0x100000001L},
               type = choice < 7 ? types[choice] : input.ConsumeIntegral<long>();
    const bool raw = input.ConsumeBool();
    const char filler = input.ConsumeBool() ? '\0' : '5';
    const S picks = input.ConsumeBytesAsString(ShellMsg::textCapacity);
    S bytes =
        raw ? picks
            : spell(picks,
                    " |\t|-|+|1|2|12|2147483647|2147483648|-2147483648|0|x|9|\n|99999999999|\x01|");
    bytes.resize(ShellMsg::textCapacity, filler);
    const std::unique_ptr<char[]> block(new char[sizeof type + ShellMsg::textCapacity]);
    std::memcpy(block.get(), &type, sizeof type);
    std::memcpy(block.get() + sizeof type, bytes.data(), ShellMsg::textCapacity);
    const ShellMsg& record = *reinterpret_cast<const ShellMsg*>(block.get());
    const S terminated = bytes.c_str(); // the text up to its zero byte, within the 100
    const auto [found, whole, fits, first, end] = reading<int>(terminated.c_str());
    const auto [found2, whole2, fits2, second, end2] = reading<int>(end);
    const int one = input.ConsumeIntegral<int>(), two = input.ConsumeIntegral<int>();
    const unsigned char flag = input.ConsumeIntegral<unsigned char>();
    const long long records[][2] = {
        {record.type(), type >= 1 && type <= 3 ? type : 0},
        {record.intValue(), (type == 1 || type == 2) && fits ? first : -1},
        {record.secondValue(), type == 2 && fits && fits2 ? second : -1},
        {record.flag(), type == 3 ? static_cast<unsigned char>(bytes[0]) : 1},
        {(long long)record.textSize(), std::min<long long>(terminated.size() + 1, 100)},
        {ShellIntPairMsg(one, two).secondValue(), two},
        {ShellIntMsg(one).intValue(), one},
        {ShellFlagMsg(flag).flag(), flag}};
    QIM_FUZZ_ROWS(records, bytes);

    const bool rawArguments = input.ConsumeBool();
    std::vector<S> arguments{"qimshell", ""};
    for (const char c : input.ConsumeRemainingBytesAsString())
        if (rawArguments ? c == 0 : (c & 0x1F) == 0x1F)
            arguments.emplace_back();
        else
            arguments.back() +=
                rawArguments
                    ? S(1, c)
                    : spell(S(1, c), "-FLAGS|-NLSPATH|-LD_LIBRARY_PATH|-DEBUGGER_PID|-KEY|--|=|=|8|"
                                     " |-12|2147483648|x|/bin/a|\xE9|-2147483648|");
    std::vector<char*> argv;
    for (S& argument : arguments)
        argv.push_back(&argument[0]);
    const ParameterScan scan = readParameters(argv.size(), argv.data());
    // -FLAGS, -DEBUGGER_PID and -KEY are given by a value before "--" that is a whole int.
    const std::size_t dashes =
        std::find(arguments.begin() + 1, arguments.end(), "--") - arguments.begin();
    const S keywords[] = {"-FLAGS=", "-DEBUGGER_PID=", "-KEY="};
    long long valued[3] = {};
    for (std::size_t i = 1; i < dashes; ++i)
        for (int k = 0; k < 3; ++k)
            if (arguments[i].compare(0, keywords[k].size(), keywords[k]) == 0)
                valued[k] |= std::get<1>(reading<int>(&arguments[i][keywords[k].size()])) &&
                             std::get<2>(reading<int>(&arguments[i][keywords[k].size()]));
    const bool complete = valued[0] && valued[1] && valued[2] && dashes + 1 < arguments.size();
    const long long launch[][2] = {{scan.flagsGiven, valued[0]},
                                   {scan.pidGiven, valued[1]},
                                   {scan.keyGiven, valued[2]},
                                   {parametersComplete(scan, argv.size()), complete}};
    QIM_FUZZ_ROWS(launch, arguments.back());
    return 0;
}
