//===- tests/utilities/diagnostics/TraceFileSafetyTest.cpp - What lies at a trace file's name
//---===//
//
// A trace directory gives each process the file "<pid>.trc", a name anybody can predict. In
// a directory that others may write, somebody can put a symbolic link, a hard link or a FIFO
// at that name before the process opens it, to make a privileged program empty or fill a
// file of their choosing. Run as a real process with QIM_DBG_TRACE set, the trace probe
// finds such a thing planted at its name (PlantedTraceFile.cpp): it must write nothing
// through it, change no other file, and run on as if its trace could not be opened.
//
//===----------------------------------------------------------------------------===//
#include "tests/support/ChildProcess.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"
#include "tests/utilities/diagnostics/TraceTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

/// The content every victim starts with; it must still be there, alone, afterwards.
const std::string victimContent = "the victim's own content\n";

std::string makeVictim(const std::string& path) {
    std::ofstream(path, std::ios::binary) << victimContent;
    return path;
}

/// The names in `directory`.
std::vector<std::string> entriesOf(const std::string& directory) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    return names;
}

/// Runs the probe, which starts the trace and writes a record of each type, with its trace
/// in `traces` and, unless `kind` is empty, a `kind` planted at its own trace file's name.
qimtest::ChildResult runProbe(const std::string& traces, const std::string& kind = "",
                              const std::string& target = "") {
    Lines environment{"QIM_DBG_TRACE=" + traces + ",vek"};
    if (!kind.empty())
        environment.insert(environment.end(),
                           {std::string("LD_PRELOAD=") + QIM_PLANTED_TRACE_FILE_LIBRARY,
                            // the sanitizer build's runtime must come first otherwise
                            "ASAN_OPTIONS=verify_asan_link_order=0", "QIMTEST_PLANT_DIR=" + traces,
                            "QIMTEST_PLANT_KIND=" + kind, "QIMTEST_PLANT_TARGET=" + target,
                            "QIMTEST_PLANT_FOR=self"});
    return qimtest::runProgram(QIM_TRACE_PROBE, {"started"}, environment);
}

/// Expects the probe to have ended as it does with a trace that cannot be opened: status
/// 0 (errno was kept by every traced call), nothing on its standard streams.
void expectRanOnSilently(const qimtest::ChildResult& result) {
    EXPECT_EQ(result.exitCode(), 0) << "status 86: the plant failed; " << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
}

class TraceFileSafetyTest : public ::testing::Test {
protected:
    TraceFileSafetyTest() {
        fs::create_directory(traces());
        fs::create_directory(elsewhere());
    }
    std::string traces() const { return _directory.file("traces"); }
    std::string elsewhere() const { return _directory.file("elsewhere"); }

    qimtest::TemporaryDirectory _directory;
};

// Without anything planted the process writes its own file, with the header and records.
TEST_F(TraceFileSafetyTest, NothingPlantedWritesTheProcessesOwnFile) {
    expectRanOnSilently(runProbe(traces()));
    const std::vector<std::string> names = entriesOf(traces());
    ASSERT_EQ(names.size(), 1u);
    const std::string file = traces() + "/" + names[0];
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file)));
    const Lines lines =
        qimtest::withTimesReplaced(qimtest::withoutStamps(qimtest::readLines(file)));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), qimtest::internalPlace + "Trace start at <time>");
    EXPECT_THAT(lines,
                testing::IsSupersetOf(Lines{"**VEK: UNIX_ShellPgm(12): Starting....  pid = 42",
                                            "**ERROR: a/b.c(12): x=5"}));
}

// A file left by an earlier process with the same pid is an ordinary file of that name: it
// is emptied and rewritten, as fopen's "w" would. Its old content is longer than the new
// trace, so a file opened without being emptied shows the old tail.
TEST_F(TraceFileSafetyTest, StaleFileOfAnEarlierProcessIsEmptiedAndRewritten) {
    const std::string stale(100000, 'O');
    expectRanOnSilently(runProbe(traces(), "file", stale));
    const std::vector<std::string> names = entriesOf(traces());
    ASSERT_EQ(names.size(), 1u);
    const std::string content = qimtest::readFile(traces() + "/" + names[0]);
    EXPECT_EQ(content.find("OOOO"), std::string::npos) << "the old content survived";
    EXPECT_THAT(content, testing::EndsWith("**WARNING: void PoolArea::grow(142): Initial "
                                           "allocation of pool should be increased!\n"));
}

// A symbolic link to another file: fopen followed it and emptied the victim, then filled
// it with the trace.
TEST_F(TraceFileSafetyTest, SymbolicLinkAtTheNameIsNotFollowed) {
    const std::string victim = makeVictim(elsewhere() + "/victim");
    expectRanOnSilently(runProbe(traces(), "symlink", victim));
    EXPECT_EQ(qimtest::readFile(victim), victimContent);
    const std::vector<std::string> names = entriesOf(traces());
    ASSERT_EQ(names.size(), 1u) << "the trace went to another name";
    const fs::path link = traces() + "/" + names[0];
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), victim);
}

// A link to a name that does not exist yet: fopen created the file there, where the
// planter could read it (or where it does harm, such as a start-up script).
TEST_F(TraceFileSafetyTest, DanglingSymbolicLinkCreatesNothingAtItsTarget) {
    const std::string target = elsewhere() + "/created-through-the-link";
    expectRanOnSilently(runProbe(traces(), "symlink", target));
    EXPECT_FALSE(fs::exists(fs::symlink_status(target)));
    EXPECT_TRUE(entriesOf(elsewhere()).empty());
    EXPECT_EQ(entriesOf(traces()).size(), 1u);
}

// A second hard link to a file the planter may not write but the process may: emptying
// the name empties the victim too.
TEST_F(TraceFileSafetyTest, SecondHardLinkIsNotEmptied) {
    const std::string victim = makeVictim(elsewhere() + "/victim");
    expectRanOnSilently(runProbe(traces(), "hardlink", victim));
    EXPECT_EQ(qimtest::readFile(victim), victimContent);
    EXPECT_EQ(fs::hard_link_count(victim), 2u);
    EXPECT_EQ(entriesOf(traces()).size(), 1u);
}

// A FIFO without a reader: an open for writing waits for one for good, so the process
// would hang (the plant's alarm ends it with SIGALRM instead).
TEST_F(TraceFileSafetyTest, FifoWithoutAReaderDoesNotHoldTheProcess) {
    const qimtest::ChildResult result = runProbe(traces(), "fifo");
    EXPECT_EQ(result.signal(), 0) << "the open of the FIFO blocked";
    expectRanOnSilently(result);
}

// A FIFO whose reader the planter holds: the trace would stream to the planter. Here the
// probe itself holds the reading end and, at its exit, writes to standard output whatever
// reached the FIFO.
TEST_F(TraceFileSafetyTest, FifoWithAReaderReceivesNothing) {
    const qimtest::ChildResult result = runProbe(traces(), "fifo-read");
    EXPECT_EQ(result.out, "") << "the trace was written into the FIFO";
    expectRanOnSilently(result);
}

// The destination a user names as a file is the user's choice and opens as named, also
// through a link; only the per-process name in a directory is guarded.
TEST_F(TraceFileSafetyTest, NamedFileDestinationStillOpensThroughALink) {
    const std::string real = makeVictim(elsewhere() + "/trace.txt");
    const std::string link = _directory.file("trace-link");
    fs::create_symlink(real, link);
    expectRanOnSilently(runProbe(link));
    const std::string content = qimtest::readFile(real);
    EXPECT_EQ(content.find(victimContent), std::string::npos) << "not truncated";
    EXPECT_NE(content.find("**ERROR: a/b.c(12): x=5\n"), std::string::npos);
}

} // namespace
