//===- tests/shell/HeldReadySignal.cpp - A ready signal held at a gate ----===//
//
// Preloaded into the shell by tests that act after the parent has sent the flag record and
// before it can send the pid record: the shell's child sends its ready signal to the
// parent only once a line has come through the FIFO named by QIMTEST_READY_GATE. Every
// other signal goes out at once.
//
//===----------------------------------------------------------------------------===//
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

extern "C" int kill(pid_t pid, int signal) {
    const char* gate = std::getenv("QIMTEST_READY_GATE");
    if (gate != nullptr && signal == SIGFPE && pid == getppid()) {
        const int fd = open(gate, O_RDONLY | O_CLOEXEC);
        char byte;
        if (read(fd, &byte, 1) != 1 || close(fd) != 0)
            return -1; // the gate failed: no ready signal
    }
    return static_cast<int>(syscall(SYS_kill, pid, signal));
}
