//===- tests/shell/HeldReadySignal.cpp - A ready signal held at a gate ----===//
//
// Preloaded into the shell by tests that act between two steps of the handshake, after
// the parent has sent the flag record and before it can send the pid record: the shell's
// child sends its ready signal to the parent only once a line has come through the FIFO
// named by QIMTEST_READY_GATE. Every other signal goes out at once.
//
//===----------------------------------------------------------------------------===//
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

/// Blocks until one byte can be read from the FIFO `gate`.
void passGate(const char* gate) {
    const int fd = open(gate, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    char byte;
    while (read(fd, &byte, 1) < 0 && errno == EINTR) {
    }
    close(fd);
}

} // namespace

extern "C" int kill(pid_t pid, int signal) {
    const char* gate = std::getenv("QIMTEST_READY_GATE");
    if (gate != nullptr && signal == SIGFPE && pid == getppid())
        passGate(gate);
    return static_cast<int>(syscall(SYS_kill, pid, signal));
}
