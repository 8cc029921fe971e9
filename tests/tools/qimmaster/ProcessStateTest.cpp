//===- tests/tools/qimmaster/ProcessStateTest.cpp - How a process ended ---===//
#include "tools/qimmaster/ProcessState.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// qimmaster's exit status follows the shell convention 128 + signal; a mix-up of the two
// halves of the wait status would pass the signal as an exit status or the reverse.
TEST(ProcessStateTest, WaitStatusesBecomeExitStatusesAndDescriptions) {
    struct Case {
        int waitStatus;
        int exitStatus;
        const char* description;
    };
    const Case cases[] = {
        {W_EXITCODE(0, 0), 0, "exited with status 0"},
        {W_EXITCODE(7, 0), 7, "exited with status 7"},
        {W_EXITCODE(255, 0), 255, "exited with status 255"},
        {W_EXITCODE(0, SIGSEGV), 139, "was killed by signal 11 (Segmentation fault)"},
        {W_EXITCODE(0, SIGKILL), 137, "was killed by signal 9 (Killed)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(qimmaster::exitStatusOf(c.waitStatus), c.exitStatus) << c.description;
        EXPECT_EQ(qimmaster::describeEnd(c.waitStatus), c.description);
    }
}

} // namespace
