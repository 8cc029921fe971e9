//===- tests/support/QueuePrivacy.h - Who may use a message queue -*- C++ -*-===//
//
// The master's queue carries the process id that the master takes control of, so it must
// be its creator's alone: mode 0600, owned and created by the creator's user and group.
//
//   EXPECT_EQ(qimtest::ownership(qid), qimtest::ownedByThisProcess());
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SUPPORT_QUEUEPRIVACY_H
#define QIM_TESTS_SUPPORT_QUEUEPRIVACY_H

#include <string>
#include <sys/msg.h>
#include <unistd.h>

namespace qimtest {

/// "mode=<octal> owner=<uid>/<gid> creator=<uid>/<gid>" of queue `qid`; "no status" if none.
inline std::string ownership(int qid) {
    msqid_ds status;
    if (msgctl(qid, IPC_STAT, &status) != 0)
        return "no status";
    const ipc_perm& p = status.msg_perm;
    return "mode=" + std::to_string(p.mode & 0777) + " owner=" + std::to_string(p.uid) + "/" +
           std::to_string(p.gid) + " creator=" + std::to_string(p.cuid) + "/" +
           std::to_string(p.cgid);
}

/// The ownership of a private queue (mode 0600, 384 in decimal) created by this process.
inline std::string ownedByThisProcess() {
    const std::string user = std::to_string(geteuid()) + "/" + std::to_string(getegid());
    return "mode=384 owner=" + user + " creator=" + user;
}

} // namespace qimtest

#endif
