//===- tests/tools/qimmaster/MasterRun.cpp - Running qimmaster in a test --===//
#include "tests/tools/qimmaster/MasterRun.h"

#include "shell/ProcessProbe.h"
#include "tests/support/TextLines.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <regex>
#include <sys/msg.h>
#include <sys/prctl.h>
#include <sys/wait.h>

namespace qimtest {

namespace {

const std::string masterPrefix = "qimmaster: ";

/// The text after a timeline stamp "[   1.2 ms] ", or the line itself when it has none.
std::string withoutTimelineStamp(const std::string& line) {
    static const std::regex stamp(R"(^\[ *[0-9]+\.[0-9] ms\] )");
    return std::regex_replace(line, stamp, "", std::regex_constants::format_first_only);
}

/// The first number that `pattern` captures in one of qimmaster's lines of `err`; -1 when
/// no line matches.
int capturedNumber(const std::string& err, const std::regex& pattern) {
    for (const std::string& line : masterLines(err, "")) {
        std::smatch match;
        if (std::regex_search(line, match, pattern))
            return std::stoi(match[1]);
    }
    return -1;
}

/// True when `pid` is a child of this process, adopted as an orphan; reaps it if it has
/// ended.
bool adoptedByThisProcess(pid_t pid) {
    return waitpid(pid, nullptr, WNOHANG | __WALL) != -1 || errno != ECHILD;
}

} // namespace

const std::vector<std::string>& plainEnvironment() {
    static const std::vector<std::string> environment{"PATH=/usr/bin:/bin"};
    return environment;
}

ChildResult runMaster(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment, const std::string& program) {
    // Processes that qimmaster leaves behind come back to this process instead of init, so
    // that a shell qimmaster did not reap can be told from one it did.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    return runProgram(program, arguments, environment);
}

std::vector<std::string> masterLines(const std::string& err, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : splitLines(err)) {
        if (line.compare(0, masterPrefix.size(), masterPrefix) != 0)
            continue;
        const std::string text = withoutTimelineStamp(line.substr(masterPrefix.size()));
        if (text.compare(0, prefix.size(), prefix) == 0)
            found.push_back(text.substr(prefix.size()));
    }
    return found;
}

std::vector<std::string> timelineSteps(const std::string& err) {
    static const std::regex number("-?[0-9]+");
    std::vector<std::string> steps;
    for (const std::string& line : masterLines(err, ""))
        steps.push_back(std::regex_replace(line, number, "N"));
    return steps;
}

LaunchLeftovers::LaunchLeftovers(const std::string& err)
    : _queueId(capturedNumber(err, std::regex(R"(^queue created \(key -?[0-9]+, id ([0-9]+)\))"))),
      _shell(capturedNumber(err, std::regex(R"(^shell ([0-9]+) started)"))),
      _debuggee(capturedNumber(err, std::regex(R"(^pid record received: process ([0-9]+))"))) {}

LaunchLeftovers::~LaunchLeftovers() {
    for (pid_t pid : {_debuggee, _shell}) {
        if (pid <= 0)
            continue;
        if (processIsRunning(pid))
            kill(pid, SIGKILL);
        waitpid(pid, nullptr, __WALL); // reaps what came back here; fails at once otherwise
    }
    if (_queueId >= 0 && queueExists(_queueId))
        msgctl(_queueId, IPC_RMID, nullptr);
}

void LaunchLeftovers::expectNoneRemain() const {
    ASSERT_GE(_queueId, 0) << "the timeline named no queue";
    ASSERT_GT(_shell, 0) << "the timeline named no shell";
    EXPECT_FALSE(queueExists(_queueId)) << "queue " << _queueId << " was left behind";
    EXPECT_FALSE(processIsRunning(_shell)) << "shell " << _shell << " was left running";
    EXPECT_FALSE(adoptedByThisProcess(_shell))
        << "shell " << _shell << " was left for someone else to reap";
    if (_debuggee > 0) {
        EXPECT_FALSE(processIsRunning(_debuggee)) << "process " << _debuggee << " was left running";
    }
}

} // namespace qimtest
