//===- tools/qimmaster/QimMaster.cpp - The reference master's entry point -===//
//
// qimmaster: launches one program through qimshell the way a debugger engine does and
// ends with the program's exit status. Every failure comes here as a MasterError, after
// the launch has cleaned up, and is printed once.
//
//===----------------------------------------------------------------------------===//
#include "tools/qimmaster/MasterError.h"
#include "tools/qimmaster/MasterLaunch.h"
#include "tools/qimmaster/Options.h"
#include "tools/qimmaster/Timeline.h"

#include <cstdio>
#include <exception>

using namespace qimmaster;

int main(int argc, char** argv) {
    const Timeline::Clock::time_point started = Timeline::Clock::now();
    try {
        const MasterOptions options = parseOptions(argc, argv);
        if (options.help) {
            std::fputs(usageText().c_str(), stdout);
            return 0;
        }
        return runLaunch(options, Timeline(options.timeline, started));
    } catch (const MasterError& error) {
        std::fprintf(stderr, "qimmaster: %s\n", error.what());
        return error.exitStatus();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "qimmaster: %s\n", error.what());
        return masterFailureStatus;
    }
}
