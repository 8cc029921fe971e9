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
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

// The system calls themselves: the C library's functions are the ones replaced here.
extern "C" int sigprocmask(int how, const sigset_t* set, sigset_t* old) {
    sigset_t withoutStartSignal;
    if (set != nullptr && how != SIG_UNBLOCK) {
        withoutStartSignal = *set;
        sigdelset(&withoutStartSignal, SIGFPE);
        set = &withoutStartSignal;
    }
    return static_cast<int>(syscall(SYS_rt_sigprocmask, how, set, old, _NSIG / 8));
}

extern "C" int ppoll(pollfd* fds, nfds_t count, const timespec* timeout, const sigset_t* mask) {
    timespec left = timeout ? *timeout : timespec{}; // the kernel writes the time left here
    const int result = static_cast<int>(
        syscall(SYS_ppoll, fds, count, timeout ? &left : nullptr, mask, _NSIG / 8));
    const int error = errno;
    sigset_t nothing;
    sigemptyset(&nothing);
    sigprocmask(SIG_BLOCK, &nothing, nullptr);
    errno = error;
    return result;
}
