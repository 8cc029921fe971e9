//===- tests/support/MessageQueues.h - Looking at System V queues -*- C++ -*-===//
//
// Tests of the shell and the master check that a queue is still there, or gone, by its
// identifier.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SUPPORT_MESSAGEQUEUES_H
#define QIM_TESTS_SUPPORT_MESSAGEQUEUES_H

#include <sys/msg.h>

namespace qimtest {

/// True while the message queue `queueId` exists.
inline bool queueExists(int queueId) {
    msqid_ds state;
    return msgctl(queueId, IPC_STAT, &state) == 0;
}

} // namespace qimtest

#endif
