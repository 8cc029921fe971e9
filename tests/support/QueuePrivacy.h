//===- tests/support/QueuePrivacy.h - Who may use a message queue -*- C++ -*-===//
//
// The master's queue carries the debuggee's process id, which the master trusts as the
// process to take control of. The queue must be its creator's alone: these functions
// describe the queue's ownership and what another user meets when it tries the queue.
//
//   EXPECT_EQ(qimtest::ownership(qid), qimtest::ownedByThisProcess());
//   EXPECT_EQ(qimtest::accessByAnotherUser(key), qimtest::refusedToAnotherUser);
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SUPPORT_QUEUEPRIVACY_H
#define QIM_TESTS_SUPPORT_QUEUEPRIVACY_H

#include "tests/support/ChildProcess.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <sys/msg.h>
#include <unistd.h>

namespace qimtest {

/// "mode=<octal permissions> owner=<uid>/<gid> creator=<uid>/<gid>" of queue `qid`, or
/// "no status (errno N)".
inline std::string ownership(int qid) {
    msqid_ds status;
    if (msgctl(qid, IPC_STAT, &status) != 0)
        return "no status (errno " + std::to_string(errno) + ")";
    char text[128];
    std::snprintf(text, sizeof text, "mode=%03o owner=%u/%u creator=%u/%u",
                  static_cast<unsigned int>(status.msg_perm.mode & 0777), status.msg_perm.uid,
                  status.msg_perm.gid, status.msg_perm.cuid, status.msg_perm.cgid);
    return text;
}

/// The ownership of a private queue created by this process.
inline std::string ownedByThisProcess() {
    char text[128];
    std::snprintf(text, sizeof text, "mode=600 owner=%u/%u creator=%u/%u", geteuid(), getegid(),
                  geteuid(), getegid());
    return text;
}

/// Why a test of another user's access cannot run here: only root can become another user.
inline std::string noOtherUserHere() {
    return "only root can try the queue as another user (nobody); this test runs as user " +
           std::to_string(geteuid());
}

/// What accessByAnotherUser reports for a queue that is its creator's alone.
constexpr const char* refusedToAnotherUser =
    "open=EACCES attach=ok send=EACCES receive=EACCES status=EACCES remove=EPERM";

/// What the user "nobody" meets, in a child process that has given up root's privileges,
/// when it tries the queue of `key`: opening it for reading and writing as the shell does,
/// attaching to it without asking for any access (which only finds it), then sending,
/// receiving, reading its status and removing it. Each step "ok" or its errno; "not root"
/// when this process cannot become another user.
inline std::string accessByAnotherUser(key_t key) {
    if (geteuid() != 0)
        return "not root";
    const ChildResult child = runInChild([key] {
        if (!dropRootPrivileges())
            return 2;
        const auto outcome = [](bool ok) {
            if (ok)
                return std::string("ok");
            if (errno == EACCES)
                return std::string("EACCES");
            return errno == EPERM ? std::string("EPERM") : std::to_string(errno);
        };
        std::string steps = "open=" + outcome(msgget(key, 0600) != -1);
        const int qid = msgget(key, 0);
        steps += " attach=" + outcome(qid != -1);
        struct {
            long type;
            char text[8];
        } record = {1, "x"};
        steps += " send=" + outcome(msgsnd(qid, &record, 2, IPC_NOWAIT) == 0);
        steps +=
            " receive=" + outcome(msgrcv(qid, &record, sizeof record.text, 0, IPC_NOWAIT) >= 0);
        msqid_ds status;
        steps += " status=" + outcome(msgctl(qid, IPC_STAT, &status) == 0);
        steps += " remove=" + outcome(msgctl(qid, IPC_RMID, nullptr) == 0);
        std::fputs(steps.c_str(), stdout);
        return 0;
    });
    return child.exitCode() == 0 ? child.out : "the child failed: " + child.err;
}

} // namespace qimtest

#endif
