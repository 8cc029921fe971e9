//===- tests/tools/qimmaster/MasterRun.h - Running qimmaster in a test -*- C++ -*-===//
//
// The launch tests run the real qimmaster, which runs the real qimshell and the program.
// With --timeline qimmaster names the queue and every process of the launch; the tests
// read those names back to check that nothing outlives the run, and clean up anything a
// faulty run left behind, whatever the test's outcome. The test process adopts whatever
// qimmaster orphans, so a shell that qimmaster did not reap itself is caught even when
// it has ended on its own since.
//
//   qimtest::ChildResult result = qimtest::runMaster({"--timeline", "--", "/bin/true"});
//   qimtest::LaunchLeftovers leftovers(result.err);
//   leftovers.expectNoneRemain();
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_TOOLS_QIMMASTER_MASTERRUN_H
#define QIM_TESTS_TOOLS_QIMMASTER_MASTERRUN_H

#include "tests/support/ChildProcess.h"
#include "tests/support/MessageQueues.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace qimtest {

/// The environment of a run unless a test says otherwise.
const std::vector<std::string>& plainEnvironment();

/// Runs qimmaster (or `program`, a copy of it) with `arguments` and exactly `environment`;
/// from then on this process adopts the orphans of its descendants.
ChildResult runMaster(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment = plainEnvironment(),
                      const std::string& program = QIM_MASTER_PROGRAM);

/// qimmaster's lines on standard error that start with `prefix` after "qimmaster: ", each
/// without the prefix; stamped timeline lines are matched after their stamp.
std::vector<std::string> masterLines(const std::string& err, const std::string& prefix);

/// qimmaster's timeline steps in `err`, in order, each with every number replaced by N.
std::vector<std::string> timelineSteps(const std::string& err);

/// The queue and the processes that a --timeline run named. The object kills the
/// processes and removes the queue that are still there when it goes.
class LaunchLeftovers {
public:
    /// Reads the names from the timeline in `err`; any that is missing stays unknown (-1).
    explicit LaunchLeftovers(const std::string& err);
    /// Kills and reaps what is left and removes the queue if it is still there.
    ~LaunchLeftovers();
    LaunchLeftovers(const LaunchLeftovers&) = delete;
    LaunchLeftovers& operator=(const LaunchLeftovers&) = delete;

    int queueId() const { return _queueId; }
    pid_t shell() const { return _shell; }
    pid_t debuggee() const { return _debuggee; }

    /// Expects the queue and the shell known, the queue removed, the shell ended and reaped
    /// by qimmaster, and the debuggee (when it was reported) ended.
    void expectNoneRemain() const;

private:
    int _queueId = -1;
    pid_t _shell = -1;
    pid_t _debuggee = -1;
};

} // namespace qimtest

#endif
