//===- tests/tools/qimmaster/UnheldStartSignal.cpp - SIGFPE as valgrind can deliver it ---===//
//
// Preloaded into the launch that runs under valgrind's memcheck. The shell's processes wait
// for SIGFPE (the ready and the start signal) in ppoll, holding it blocked between two
// sleeps. Valgrind never blocks SIGFPE itself, because SIGFPE is also the signal of an
// arithmetic fault in the program it runs: a SIGFPE that kill() sends while the program is
// not asleep in a system call goes to a queue of valgrind's own. Valgrind hands a queued
// signal over only when the program's mask allows it and valgrind looks at its queue, which
// it does after a change of the mask or after a long stretch of running code, never in the
// mask of a ppoll. A process that waits in ppoll would never see such a signal, in a few
// launches in a hundred. Here a request to block SIGFPE leaves SIGFPE out, and every ppoll
// is followed by an empty change of the mask, so that valgrind hands over a queued signal
// after the sleep in which it came. No code path of the launch changes, only the kernel's
// mask and one more system call per sleep.
//
//===----------------------------------------------------------------------------===//
#include <cerrno>
#include <csignal>
#include <dlfcn.h>
#include <poll.h>

namespace {

using Mask = int (*)(int, const sigset_t*, sigset_t*);

// Looked up on first use, without the C++ runtime's guard of a static initialisation: the
// shell has one thread.
Mask systemMask() {
    static Mask mask = nullptr;
    if (mask == nullptr)
        mask = reinterpret_cast<Mask>(dlsym(RTLD_NEXT, "sigprocmask"));
    return mask;
}

} // namespace

extern "C" int sigprocmask(int how, const sigset_t* set, sigset_t* old) {
    if (set == nullptr || how == SIG_UNBLOCK || sigismember(set, SIGFPE) != 1)
        return systemMask()(how, set, old);
    sigset_t withoutStartSignal = *set;
    sigdelset(&withoutStartSignal, SIGFPE);
    return systemMask()(how, &withoutStartSignal, old);
}

extern "C" int ppoll(pollfd* fds, nfds_t count, const timespec* timeout, const sigset_t* mask) {
    using Poll = int (*)(pollfd*, nfds_t, const timespec*, const sigset_t*);
    static Poll systemPoll = nullptr;
    if (systemPoll == nullptr)
        systemPoll = reinterpret_cast<Poll>(dlsym(RTLD_NEXT, "ppoll"));
    const int result = systemPoll(fds, count, timeout, mask);
    const int error = errno;
    sigset_t nothing;
    sigemptyset(&nothing);
    systemMask()(SIG_BLOCK, &nothing, nullptr);
    errno = error;
    return result;
}
