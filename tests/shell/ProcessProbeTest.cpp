//===- tests/shell/ProcessProbeTest.cpp - Whether a process is still running ---===//
#include "shell/ProcessProbe.h"

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

/// A child that runs until the pipe it reads is closed; killed and reaped on any exit.
class BlockedChild {
public:
    BlockedChild() {
        int ends[2];
        if (pipe(ends) != 0)
            throw std::runtime_error("pipe failed");
        _pid = fork();
        if (_pid == 0) {
            close(ends[1]);
            char byte;
            _exit(read(ends[0], &byte, 1) == 0 ? 0 : 1);
        }
        close(ends[0]);
        _release = ends[1];
    }
    ~BlockedChild() {
        release();
        if (!_reaped) {
            kill(_pid, SIGKILL);
            reap();
        }
    }
    BlockedChild(const BlockedChild&) = delete;
    BlockedChild& operator=(const BlockedChild&) = delete;

    pid_t pid() const { return _pid; }
    /// Lets the child end, and waits until it has, without reaping it.
    void endAsZombie() {
        release();
        siginfo_t info;
        waitid(P_PID, static_cast<id_t>(_pid), &info, WEXITED | WNOWAIT);
    }
    void reap() {
        waitpid(_pid, nullptr, 0);
        _reaped = true;
    }

private:
    void release() {
        if (_release >= 0)
            close(_release);
        _release = -1;
    }

    pid_t _pid;
    int _release = -1;
    bool _reaped = false;
};

// A zombie must count as ended, or a watch of it would never end; a running process must
// not, or the watch would end at once.
TEST(ProcessProbeTest, RunningIsThereWhileZombieAndReapedAreGone) {
    BlockedChild child;
    EXPECT_TRUE(processIsRunning(child.pid())) << "running";
    child.endAsZombie();
    EXPECT_FALSE(processIsRunning(child.pid())) << "a zombie";
    child.reap();
    EXPECT_FALSE(processIsRunning(child.pid())) << "reaped";
}

} // namespace
