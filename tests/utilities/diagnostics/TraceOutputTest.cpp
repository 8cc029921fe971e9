//===- tests/utilities/diagnostics/TraceOutputTest.cpp - Opening, writing, closing ---===//
//
// Tests of the trace worker's output: the lazy opening with its header, the records, the
// closing line, destinations that cannot be written, errno, and the trace of a real forked
// child for each kind of destination.
//
//===----------------------------------------------------------------------------===//
#include "tests/support/ChildProcess.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"
#include "tests/utilities/diagnostics/TraceTestSupport.h"
#include "utilities/diagnostics/TraceWorker.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using qimtest::expectedHeaderStart;
using qimtest::internalPlace;
using qimtest::readLines;
using qimtest::TemporaryDirectory;
using qimtest::withoutStamp;
using qimtest::withoutStamps;
using qimtest::withTimesReplaced;
using Lines = std::vector<std::string>;

TraceWorker* makeArmedWorker(const std::string& setting) {
    auto* worker = new TraceWorker(EncodedString(setting.c_str(), EncodedString::UTF8));
    worker->arm();
    return worker;
}

void write(TraceWorker& worker, const char* type, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    worker.trace("UNIX_ShellPgm", 12, type, format, arguments);
    va_end(arguments);
}

bool exists(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

// The first record opens (and truncates) the file, writes the header and then itself;
// later records follow without a header.
TEST(TraceOutputTest, FirstRecordOpensTheFileAfterItsHeader) {
    TemporaryDirectory directory;
    const std::string path = directory.file("trace");
    std::FILE* old = std::fopen(path.c_str(), "w");
    std::fputs("OLD CONTENT\n", old);
    std::fclose(old);
    std::unique_ptr<TraceWorker> worker(makeArmedWorker(path + ",vek"));
    ASSERT_EQ(qimtest::readFile(path), "OLD CONTENT\n") << "opened before the first record";

    errno = 13;
    write(*worker, "VEK", "Starting....  pid = %d", 42);
    EXPECT_EQ(errno, 13) << "the record that opened the trace changed errno";
    EXPECT_EQ(worker->state(), TraceWorker::Open);
    EXPECT_FALSE(worker->reopenAfterFork()) << "a named file is not reopened after a fork";
    write(*worker, "VEK", "two %s", "more");

    const Lines lines = withTimesReplaced(withoutStamps(readLines(path)));
    const Lines headerStart = expectedHeaderStart();
    ASSERT_EQ(lines.size(), headerStart.size() + 29 + 3); // the settings, an empty line
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + headerStart.size()), headerStart);
    EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
              (Lines{"", "**VEK: UNIX_ShellPgm(12): Starting....  pid = 42",
                     "**VEK: UNIX_ShellPgm(12): two more"}));
}

TEST(TraceOutputTest, RecordsAreIgnoredUntilTheTraceIsStarted) {
    TemporaryDirectory directory;
    TraceWorker worker(
        EncodedString((directory.file("trace") + ",vek").c_str(), EncodedString::UTF8));
    errno = 7;
    write(worker, "VEK", "ignored");
    EXPECT_EQ(errno, 7);
    EXPECT_EQ(worker.state(), TraceWorker::Idle);
    EXPECT_FALSE(exists(directory.file("trace")));
}

TEST(TraceOutputTest, CloseWritesTheEndLineAndStopsTheTrace) {
    TemporaryDirectory directory;
    const std::string path = directory.file("trace");
    std::unique_ptr<TraceWorker> worker(makeArmedWorker(path + ",vek"));
    write(*worker, "VEK", "before");
    worker->close();
    EXPECT_EQ(worker->state(), TraceWorker::Idle);
    EXPECT_EQ(worker->stream(), nullptr);
    EXPECT_TRUE(qimtest::switchesOn(worker->flags).empty());
    EXPECT_EQ(worker->flags.on, 0);
    write(*worker, "VEK", "after");

    const Lines lines = withTimesReplaced(withoutStamps(readLines(path)));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], "**VEK: UNIX_ShellPgm(12): before");
    EXPECT_EQ(lines[lines.size() - 2], internalPlace + "Trace end at <time>");
    EXPECT_EQ(lines.back(), "") << "ctime's newline leaves an empty line";
}

// Destinations that cannot be opened leave the process silent and running: the worker
// fails once, clears its switches, and keeps errno.
TEST(TraceOutputTest, UnopenableDestinationFailsSilently) {
    TemporaryDirectory directory;
    for (const std::string& destination :
         {directory.file("missing/trace"), directory.file("file/beneath/a/file")}) {
        if (destination.find("file/beneath") != std::string::npos)
            std::fclose(std::fopen(directory.file("file").c_str(), "w"));
        std::unique_ptr<TraceWorker> worker(makeArmedWorker(destination + ",vek"));
        errno = 13;
        write(*worker, "VEK", "lost");
        EXPECT_EQ(errno, 13);
        EXPECT_EQ(worker->state(), TraceWorker::Failed) << destination;
        EXPECT_EQ(worker->flags.on, 0);
        EXPECT_TRUE(qimtest::switchesOn(worker->flags).empty());
        EXPECT_FALSE(worker->reopenAfterFork());
        write(*worker, "VEK", "lost too");
        EXPECT_FALSE(exists(destination));
    }
}

TEST(TraceOutputTest, ADirectoryWithoutWriteAccessFailsSilently) {
    TemporaryDirectory directory;
    ASSERT_EQ(chmod(directory.path().c_str(), 0555), 0);
    const qimtest::ChildResult child = qimtest::runInChild([&directory] {
        if (!qimtest::dropRootPrivileges())
            return 2;
        TraceWorker worker(EncodedString((directory.path() + ",vek").c_str(), EncodedString::UTF8));
        worker.arm();
        write(worker, "VEK", "lost");
        return worker.state() == TraceWorker::Failed ? 0 : 1;
    });
    EXPECT_EQ(child.exitCode(), 0) << child.err;
    EXPECT_TRUE(std::filesystem::is_empty(directory.path()));
}

TEST(TraceOutputTest, AFullDiskLosesRecordsWithoutHarmingTheCaller) {
    std::unique_ptr<TraceWorker> worker(makeArmedWorker("/dev/full,vek"));
    errno = 13;
    write(*worker, "VEK", "lost");
    write(*worker, "VEK", "lost %d", 2);
    EXPECT_EQ(errno, 13);
    EXPECT_EQ(worker->state(), TraceWorker::Open);
}

// A record is handed to the stream as a C string: a zero byte in its text ends it there,
// newline included, so the next record follows on the same line.
TEST(TraceOutputTest, ARecordEndsAtAZeroByteInItsText) {
    TemporaryDirectory directory;
    const std::string path = directory.file("trace");
    std::unique_ptr<TraceWorker> worker(makeArmedWorker(path + ",vek"));
    write(*worker, "VEK", "before%cafter", 0);
    write(*worker, "VEK", "next");
    const Lines lines = readLines(path);
    ASSERT_GE(lines.size(), 1u);
    const std::string& last = lines.back();
    EXPECT_NE(last.find("UNIX_ShellPgm(12): before"), std::string::npos) << last;
    EXPECT_EQ(last.find("after"), std::string::npos) << last;
    EXPECT_EQ(last.substr(last.size() - 4), "next") << last;
}

// Records are composed on the stack first; one that does not fit there is composed again
// in the full-size buffer, and only one longer than that is cut.
TEST(TraceOutputTest, ARecordLongerThanItsBufferIsCut) {
    TemporaryDirectory directory;
    const std::string path = directory.file("trace");
    std::unique_ptr<TraceWorker> worker(makeArmedWorker(path + ",vek"));
    write(*worker, "VEK", "short");
    const std::string medium(5000, 'm');
    write(*worker, "VEK", "%s", medium.c_str());
    const std::string text(200000, 'x');
    write(*worker, "VEK", "%s", text.c_str());
    write(*worker, "VEK", "after");

    const Lines lines = readLines(path);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(withoutStamp(lines[lines.size() - 3]), "**VEK: UNIX_ShellPgm(12): " + medium);
    EXPECT_EQ(lines[lines.size() - 2].size() + 1, 127999u) << "cut at the buffer's end";
    EXPECT_EQ(withoutStamp(lines.back()), "**VEK: UNIX_ShellPgm(12): after");
}

// --- Several threads -----------------------------------------------------------------

struct ThreadRecord {
    int writer;
    int number;
    double stamp;
};

/// The records "writer <w> record <n>" among `lines`, each checked for a well-formed
/// prefix; a line of another shape fails the test.
std::vector<ThreadRecord> writerRecords(const Lines& lines) {
    static const std::regex shape(
        R"(^([0-9]+\.[0-9]{6}) \(-?[0-9]+\): \*\*VEK: UNIX_ShellPgm\(12\): writer ([0-9]) record ([0-9]+)( y+)?$)");
    std::vector<ThreadRecord> records;
    for (const std::string& line : lines) {
        if (line.find("writer ") == std::string::npos)
            continue;
        std::smatch match;
        EXPECT_TRUE(std::regex_match(line, match, shape)) << line.substr(0, 120);
        if (!match.empty())
            records.push_back({std::stoi(match[2]), std::stoi(match[3]), std::stod(match[1])});
    }
    return records;
}

// Threads share the worker, its clock and its stream: each record must arrive whole, on a
// line of its own, with a stamp rendered for it alone, and none may be lost. Some records
// are too long for the stack and take the heap buffer.
TEST(TraceOutputTest, RecordsOfSeveralThreadsArriveWholeAndInEachThreadsOrder) {
    TemporaryDirectory directory;
    const std::string path = directory.file("trace");
    std::unique_ptr<TraceWorker> worker(makeArmedWorker(path + ",vek"));
    write(*worker, "VEK", "opened before the threads start");
    constexpr int writers = 4;
    constexpr int recordsEach = 300;
    const std::string longText(3000, 'y');
    std::vector<std::thread> threads;
    for (int writer = 0; writer < writers; ++writer)
        threads.emplace_back([&worker, &longText, writer] {
            for (int number = 0; number < recordsEach; ++number) {
                const char* tail = number % 50 == 0 ? longText.c_str() : "";
                write(*worker, "VEK", "writer %d record %d%s%s", writer, number, *tail ? " " : "",
                      tail);
            }
        });
    for (std::thread& thread : threads)
        thread.join();

    const std::vector<ThreadRecord> records = writerRecords(readLines(path));
    ASSERT_EQ(records.size(), static_cast<std::size_t>(writers * recordsEach));
    int next[writers] = {};
    double lastStamp[writers] = {};
    for (const ThreadRecord& record : records) {
        EXPECT_EQ(record.number, next[record.writer]++) << "writer " << record.writer;
        EXPECT_GE(record.stamp, lastStamp[record.writer]) << "writer " << record.writer;
        lastStamp[record.writer] = record.stamp;
    }
}

// --- After a fork --------------------------------------------------------------------

/// Forks; the child runs processForked() and writes one record, then ends. Returns the
/// child's pid once it has ended.
pid_t forkAndTrace(TraceWorker& worker) {
    const pid_t pid = fork();
    if (pid == 0) {
        worker.processForked();
        write(worker, "VEK", "child %d", static_cast<int>(getpid()));
        std::fflush(nullptr);
        _exit(worker.state() == TraceWorker::Open ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return pid;
}

TEST(TraceForkTest, ADirectoryTraceReopensInTheChildUnderItsOwnPid) {
    TemporaryDirectory directory;
    std::unique_ptr<TraceWorker> worker(makeArmedWorker(directory.path() + ",vek"));
    write(*worker, "VEK", "parent before");
    const pid_t child = forkAndTrace(*worker);
    write(*worker, "VEK", "parent after");

    const Lines parent = withTimesReplaced(
        withoutStamps(readLines(directory.file(std::to_string(getpid()) + ".trc"))));
    ASSERT_GE(parent.size(), 4u);
    EXPECT_EQ(parent[parent.size() - 4], "**VEK: UNIX_ShellPgm(12): parent before");
    EXPECT_EQ(parent[parent.size() - 3], internalPlace + "Trace end at <time>");
    EXPECT_EQ(parent[parent.size() - 2], "");
    EXPECT_EQ(parent.back(), "**VEK: UNIX_ShellPgm(12): parent after");

    const Lines own =
        withTimesReplaced(withoutStamps(readLines(directory.file(std::to_string(child) + ".trc"))));
    ASSERT_FALSE(own.empty());
    EXPECT_EQ(own.front(), internalPlace + "Trace start at <time>");
    EXPECT_EQ(own.back(), "**VEK: UNIX_ShellPgm(12): child " + std::to_string(child));
}

TEST(TraceForkTest, ANamedFileTraceEndsInTheChild) {
    TemporaryDirectory directory;
    const std::string path = directory.file("trace");
    std::unique_ptr<TraceWorker> worker(makeArmedWorker(path + ",vek"));
    write(*worker, "VEK", "parent before");
    forkAndTrace(*worker);
    write(*worker, "VEK", "parent after");

    const Lines lines = withTimesReplaced(withoutStamps(readLines(path)));
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[lines.size() - 4], "**VEK: UNIX_ShellPgm(12): parent before");
    EXPECT_EQ(lines[lines.size() - 3], internalPlace + "Trace end at <time>");
    EXPECT_EQ(lines[lines.size() - 2], "");
    EXPECT_EQ(lines.back(), "**VEK: UNIX_ShellPgm(12): parent after")
        << "the child wrote a record after its trace ended";
}

TEST(TraceForkTest, AStandardStreamGetsANewHeaderInTheChild) {
    const qimtest::ChildResult result = qimtest::runInChild([] {
        // Never destroyed, like the process's own worker: no closing line of its own.
        TraceWorker* worker = makeArmedWorker("stdout,vek");
        write(*worker, "VEK", "parent");
        forkAndTrace(*worker);
        return 0;
    });
    const Lines lines = withTimesReplaced(withoutStamps(qimtest::splitLines(result.out)));
    std::vector<std::size_t> starts;
    std::size_t ends = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == internalPlace + "Trace start at <time>")
            starts.push_back(i);
        if (lines[i] == internalPlace + "Trace end at <time>")
            ++ends;
    }
    ASSERT_EQ(starts.size(), 2u) << result.out;
    EXPECT_EQ(ends, 1u);
    EXPECT_EQ(lines[starts[1] - 3], "**VEK: UNIX_ShellPgm(12): parent");
    EXPECT_EQ(lines.back().rfind("**VEK: UNIX_ShellPgm(12): child ", 0), 0u) << lines.back();
}

} // namespace
