//===- tools/qimmaster/ProcessState.cpp - How a process ended -===//
#include "tools/qimmaster/ProcessState.h"

#include "tools/qimmaster/MasterError.h"

#include <cstring>
#include <sys/wait.h>

namespace qimmaster {

int exitStatusOf(int waitStatus) {
    if (WIFSIGNALED(waitStatus))
        return signalStatusBase + WTERMSIG(waitStatus);
    return WEXITSTATUS(waitStatus);
}

std::string describeEnd(int waitStatus) {
    if (WIFSIGNALED(waitStatus))
        return "was killed by signal " + std::to_string(WTERMSIG(waitStatus)) + " (" +
               strsignal(WTERMSIG(waitStatus)) + ")";
    return "exited with status " + std::to_string(WEXITSTATUS(waitStatus));
}

} // namespace qimmaster
