//===- tests/support/MessageQueues.h - Looking at System V queues -*- C++ -*-===//
#ifndef QIM_TESTS_SUPPORT_MESSAGEQUEUES_H
#define QIM_TESTS_SUPPORT_MESSAGEQUEUES_H

#include <chrono>
#include <string>
#include <sys/msg.h>
#include <thread>

namespace qimtest {

/// True while the message queue `queueId` exists.
inline bool queueExists(int queueId) {
    msqid_ds state;
    return msgctl(queueId, IPC_STAT, &state) == 0;
}

/// The next message on queue `qid` as it travelled: its type, a blank and its bytes; ""
/// when none comes within `limit`.
inline std::string awaitRecord(int qid,
                               std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    struct {
        long type;
        char text[200];
    } message;
    ssize_t size;
    for (const auto deadline = std::chrono::steady_clock::now() + limit;
         (size = msgrcv(qid, &message, sizeof message.text, 0, IPC_NOWAIT)) < 0 &&
         std::chrono::steady_clock::now() < deadline;)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return size < 0 ? "" : std::to_string(message.type) + " " + std::string(message.text, size);
}

} // namespace qimtest

#endif
