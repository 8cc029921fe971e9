//===- tests/tools/qimmaster/QueueReportingShell.cpp - A shell that inspects the queue ---===//
//
// Installed as "qimshell" beside a copy of qimmaster, so that qimmaster starts it in the
// shell's place with the key of the queue it has just created. It writes to the file named
// by QIMTEST_QUEUE_REPORT the queue's ownership and what another user meets on it (see
// tests/support/QueuePrivacy.h), one per line, and ends as a shell whose queue failed,
// before any record: the queue is gone once qimmaster has returned.
//
//===----------------------------------------------------------------------------===//
#include "tests/support/QueuePrivacy.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    const char* report = std::getenv("QIMTEST_QUEUE_REPORT");
    if (report == nullptr)
        return 2;
    const char* keyPrefix = "-KEY=";
    key_t key = -1;
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (std::strncmp(argv[i], keyPrefix, std::strlen(keyPrefix)) == 0)
            key = static_cast<key_t>(std::atoi(argv[i] + std::strlen(keyPrefix)));
    std::ofstream(report) << qimtest::ownership(msgget(key, 0)) << "\n"
                          << qimtest::accessByAnotherUser(key) << "\n";
    return 255;
}
