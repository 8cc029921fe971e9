//===- tools/qimmaster/Options.h - qimmaster's command line -*- C++ -*-===//
//
// qimmaster takes its own options first and the program to launch after them:
//
//   qimmaster [options] -- program [args...]
//
// Option parsing stops at the first argument that is not an option, so the program's own
// options are never taken for qimmaster's. Numeric values are checked whole: "10s" or an
// out-of-range number is a usage error, never silently cut.
//
//   MasterOptions options = parseOptions(argc, argv);   // throws MasterError (status 125)
//   if (options.help) std::fputs(usageText().c_str(), stdout);
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TOOLS_QIMMASTER_OPTIONS_H
#define QIM_TOOLS_QIMMASTER_OPTIONS_H

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace qimmaster {

struct MasterOptions {
    /// -h or --help: print the usage text and do nothing else.
    bool help = false;
    /// Report the new image's path, entry address and environment at its exec stop.
    bool stopAtEntry = false;
    /// Report each step of the handshake with the time since qimmaster started.
    bool timeline = false;
    /// Do not trace the debuggee: start it and only watch until it is gone.
    bool noPtrace = false;
    /// The shell's -FLAGS value.
    int flags = 0;
    /// The debuggee's LD_LIBRARY_PATH, passed to the shell only when given.
    std::optional<std::string> ldLibraryPath;
    /// The debuggee's NLSPATH, passed to the shell only when given.
    std::optional<std::string> nlsPath;
    /// The limit of each wait of the handshake: each record and the exec event.
    std::chrono::milliseconds timeout{10000};
    /// The program's path followed by its arguments; never empty unless `help` is set.
    std::vector<std::string> program;
};

/// Reads qimmaster's command line; throws MasterError with masterFailureStatus and a
/// message naming the fault and the usage line when it is not acceptable.
MasterOptions parseOptions(int argc, char** argv);

/// The text of --help: synopsis, options and exit statuses.
std::string usageText();

} // namespace qimmaster

#endif
