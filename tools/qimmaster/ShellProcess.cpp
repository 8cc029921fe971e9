//===- tools/qimmaster/ShellProcess.cpp - The running qimshell ------------===//
#include "tools/qimmaster/ShellProcess.h"

#include "tools/qimmaster/EventWait.h"
#include "tools/qimmaster/MasterError.h"

#include <cerrno>
#include <cstring>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace qimmaster {

namespace {

/// How long the shell may take to end after SIGTERM before it is killed.
constexpr std::chrono::seconds terminationGrace{2};

/// The spawn attributes that give the shell qimmaster's original signal mask and
/// dispositions: it must not inherit the signals qimmaster blocks or ignores, and
/// through it neither must the debuggee.
class SpawnAttributes {
public:
    explicit SpawnAttributes(const EventWait& wait) {
        posix_spawnattr_init(&_attributes);
        posix_spawnattr_setsigmask(&_attributes, &wait.originalMask());
        posix_spawnattr_setsigdefault(&_attributes, &wait.changedDispositions());
        posix_spawnattr_setflags(&_attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&_attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    const posix_spawnattr_t* get() const { return &_attributes; }

private:
    posix_spawnattr_t _attributes;
};

} // namespace

ShellProcess::ShellProcess(const std::string& program, const std::vector<std::string>& arguments,
                           EventWait& wait)
    : _wait(wait) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const SpawnAttributes attributes(wait);
    const int error =
        posix_spawn(&_pid, program.c_str(), nullptr, attributes.get(), argv.data(), environ);
    if (error != 0)
        throw MasterError(masterFailureStatus,
                          "cannot start the shell " + program + ": " + std::strerror(error));
}

ShellProcess::~ShellProcess() {
    end();
}

bool ShellProcess::hasEnded() {
    return reap(false);
}

void ShellProcess::end() {
    if (hasEnded())
        return;
    kill(_pid, SIGTERM);
    const Deadline killAfter = Clock::now() + terminationGrace;
    while (!hasEnded()) {
        if (!_wait.awaitChildEventDuringCleanUp(killAfter)) {
            kill(_pid, SIGKILL);
            reap(true);
            return;
        }
    }
}

bool ShellProcess::reap(bool block) {
    if (_ended)
        return true;
    pid_t result;
    do
        result = waitpid(_pid, &_waitStatus, block ? 0 : WNOHANG);
    while (result < 0 && errno == EINTR);
    // ECHILD would mean it was reaped elsewhere; waiting on would never end.
    _ended = result == _pid || result < 0;
    return _ended;
}

} // namespace qimmaster
