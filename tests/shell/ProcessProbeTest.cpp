//===- tests/shell/ProcessProbeTest.cpp - Whether a process is still running ---===//
#include "shell/ProcessProbe.h"

#include "tests/shell/ShellHarness.h"

#include <gtest/gtest.h>

namespace {

// A zombie must count as ended, or a watch of it would never end; a running process must
// not, or the watch would end at once.
TEST(ProcessProbeTest, RunningIsThereWhileZombieAndReapedAreGone) {
    qimtest::StandInMaster process;
    const pid_t pid = process.pid();
    EXPECT_TRUE(processIsRunning(pid)) << "running";
    process.endAsZombie();
    EXPECT_FALSE(processIsRunning(pid)) << "a zombie";
    process.end();
    EXPECT_FALSE(processIsRunning(pid)) << "reaped";
}

} // namespace
