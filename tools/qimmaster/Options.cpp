//===- tools/qimmaster/Options.cpp - qimmaster's command line -------------===//
#include "tools/qimmaster/Options.h"

#include "tools/qimmaster/MasterError.h"
#include "utilities/settings/DecimalText.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <getopt.h>

namespace qimmaster {

namespace {

const char* const synopsis = "usage: qimmaster [options] -- program [args...]";

/// The longest --timeout accepted: a day is far beyond any handshake.
constexpr double longestTimeoutSeconds = 86400;

/// getopt_long's values for the long options that have no short form.
enum LongOption {
    stopAtEntryOption = 256,
    timelineOption,
    noPtraceOption,
    flagsOption,
    ldLibraryPathOption,
    nlsPathOption,
    timeoutOption,
};

const option longOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"stop-at-entry", no_argument, nullptr, stopAtEntryOption},
    {"timeline", no_argument, nullptr, timelineOption},
    {"no-ptrace", no_argument, nullptr, noPtraceOption},
    {"flags", required_argument, nullptr, flagsOption},
    {"ld-library-path", required_argument, nullptr, ldLibraryPathOption},
    {"nlspath", required_argument, nullptr, nlsPathOption},
    {"timeout", required_argument, nullptr, timeoutOption},
    {nullptr, 0, nullptr, 0},
};

[[noreturn]] void usageError(const std::string& fault) {
    throw MasterError(masterFailureStatus,
                      fault + "\n" + synopsis + "\n(qimmaster --help tells more)");
}

/// True when strtod read all of `text` up to `end` without a range error. It skips leading
/// blanks, but a value must be the number and nothing else.
bool readWhole(const char* text, const char* end) {
    return *text != '\0' && !std::isspace(static_cast<unsigned char>(*text)) && *end == '\0' &&
           errno == 0;
}

int parseFlags(const char* text) {
    const DecimalText number = scanDecimal(text, text + std::strlen(text));
    int value = 0;
    if (std::isspace(static_cast<unsigned char>(*text)) || !number.whole || !number.toInt(value))
        usageError(std::string("--flags needs a whole number in the range of int, not '") + text +
                   "'");
    return value;
}

std::chrono::milliseconds parseTimeout(const char* text) {
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(text, &end);
    if (!readWhole(text, end) || !std::isfinite(seconds) || seconds <= 0 ||
        seconds > longestTimeoutSeconds)
        usageError(std::string("--timeout needs a number of seconds above 0 and up to 86400, "
                               "not '") +
                   text + "'");
    // At least one millisecond, so that a tiny positive value still allows one look.
    return std::chrono::milliseconds(std::max(1L, std::lround(seconds * 1000)));
}

// getopt names an unknown short option in optopt; an unknown long one only by its argument.
std::string unknownOptionText(char** argv) {
    if (optopt != 0)
        return std::string("-") + static_cast<char>(optopt);
    return argv[optind - 1];
}

void applyOption(int option, MasterOptions& options, char** argv) {
    switch (option) {
    case 'h':
        options.help = true;
        break;
    case stopAtEntryOption:
        options.stopAtEntry = true;
        break;
    case timelineOption:
        options.timeline = true;
        break;
    case noPtraceOption:
        options.noPtrace = true;
        break;
    case flagsOption:
        options.flags = parseFlags(optarg);
        break;
    case ldLibraryPathOption:
        options.ldLibraryPath = optarg;
        break;
    case nlsPathOption:
        options.nlsPath = optarg;
        break;
    case timeoutOption:
        options.timeout = parseTimeout(optarg);
        break;
    case ':':
        usageError(std::string("option '") + argv[optind - 1] + "' needs a value");
    default:
        usageError("unknown option '" + unknownOptionText(argv) + "'");
    }
}

} // namespace

MasterOptions parseOptions(int argc, char** argv) {
    MasterOptions options;
    optind = 0; // a full restart of getopt, so that the command line may be read again
    opterr = 0; // faults are reported through MasterError, once
    // "+": stop at the program, whose own options are its business; ":" reports a missing
    // value apart from an unknown option.
    int option;
    while ((option = getopt_long(argc, argv, "+:h", longOptions, nullptr)) != -1)
        applyOption(option, options, argv);
    if (options.help)
        return options;
    if (optind >= argc)
        usageError("no program to launch");
    options.program.assign(argv + optind, argv + argc);
    return options;
}

std::string usageText() {
    return std::string(synopsis) + R"(

Starts program through qimshell, found beside qimmaster, the way a debugger does: creates
the message queue, reads the shell's flag and process-id records, takes control of the
program with ptrace, sends it the start signal and follows it to its exec and its end.
The program's path is used as given (no PATH search).

Options:
  --stop-at-entry          at the exec stop report the pid, the new image's path, its
                           entry address and its environment on standard error
  --timeline               report each step of the handshake with the milliseconds
                           since qimmaster started
  --flags N                the shell's -FLAGS value (default 0; 8 makes the shell wait
                           for enter before it starts the program)
  --ld-library-path VALUE  the program's LD_LIBRARY_PATH (otherwise inherited)
  --nlspath VALUE          the program's NLSPATH (otherwise inherited)
  --timeout SECONDS        the limit of each wait of the handshake: each record and
                           the exec (default 10); the program's own run is not limited
  --no-ptrace              do not trace the program: start it and watch until it is
                           gone; its exit status is then unknown
  -h, --help               this text

Exit status:
  N        the program's exit status, or 128 + the signal that ended it
  0        with --no-ptrace, once the program is gone (its status is unknown)
  127      the program could not be executed (the shell's child reported a failed exec)
  125      qimmaster failed: bad options, the queue, starting the shell, the shell
           ending before its records, a wrong record, ptrace refused, a wait that
           timed out
  128 + N  qimmaster was ended by signal N (SIGTERM, SIGHUP, or SIGINT before the
           program runs), after cleaning up

Messages go to standard error behind "qimmaster: "; standard output is the program's.
To see the shell's side, run with QIM_DBG_TRACE=stderr,vek in the environment.
)";
}

} // namespace qimmaster
