//===- tests/utilities/diagnostics/TraceTest.cpp - The trace facility ---===//
//
// One record's layout, the reading of the TRACE setting, what lies at a destination's
// name, and the process-wide trace with its header, entry points, exceptions and threads.
// This program runs with QIM_DBG_TRACE=stdout,vek,excptn (CMakeLists.txt).
//
//===----------------------------------------------------------------------------===//
#include "tests/support/ChildProcess.h"
#include "tests/support/StringText.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"
#include "tests/utilities/diagnostics/TraceTestSupport.h"
#include "utilities/diagnostics/BuildDate.h"
#include "utilities/diagnostics/TraceEntry.h"
#include "utilities/diagnostics/TraceEntryDefinition.h"
#include "utilities/diagnostics/TraceRecord.h"
#include "utilities/diagnostics/TraceWorker.h"
#include "utilities/diagnostics/ZOR_Exception.h"
#include "utilities/settings/DebuggerSettings.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <memory>
#include <regex>
#include <sys/wait.h>
#include <thread>

QIM_DEFINE_TRACE_ENTRY(traceVEK, vek, "VEK")
QIM_DEFINE_TRACE_ENTRY(traceZOR, zor, "ZOR")

namespace {

bool lastRecordCut = false;

/// The record composed in `buffer`, and its length after a "|".
std::string compose(char* buffer, std::size_t size, long thread, const char* type,
                    const char* where, unsigned int line, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const std::size_t length = composeTraceRecord(buffer, size, "1.5", thread, type, where, line,
                                                  format, arguments, &lastRecordCut);
    va_end(arguments);
    return std::string(buffer) + "|" + std::to_string(length);
}

TEST(TraceRecordTest, RecordsHaveTheExactLayoutAndAreCutInsideTheirBuffer) {
    // Thread numbers are signed longs, lines unsigned and not printed when 0; a place that
    // starts with its parenthesis is printed whole.
    char buffer[64];
    EXPECT_EQ(compose(buffer, 64, LONG_MIN, nullptr, "(x)", 4000000000u, "%d", 5) +
                  compose(buffer, 64, 0, "ERROR", "a/b.c", 0, "") +
                  compose(buffer, 64, 7, "ERROR", nullptr, 12, "x"),
              "1.5 (-9223372036854775808): (x)(4000000000): 5\n|47"
              "1.5 (0): **ERROR: a/b.c: \n|26"
              "1.5 (7): **ERROR: x\n|20");
    // Cut in each of its parts, a record keeps its newline and terminator, reports the cut,
    // and writes nothing outside its buffer.
    const std::string whole = "1.5 (7): **ERROR: a/b.c(12): tttttttt\n";
    for (std::size_t size = 2; size < whole.size() + 3; ++size) {
        std::string guarded(size + 16, '#');
        const std::string expected = size > whole.size() ? whole : whole.substr(0, size - 2) + "\n";
        EXPECT_EQ(compose(&guarded[8], size, 7, "ERROR", "a/b.c", 12, "tttttttt"),
                  expected + "|" + std::to_string(expected.size()));
        EXPECT_EQ(lastRecordCut, size <= whole.size()) << size;
        EXPECT_EQ(guarded.substr(0, 8) + guarded.substr(8 + size), std::string(16, '#')) << size;
    }
}

// Each setting and what it gives: the destination, the included types (the excluded ones
// appear in the header that the process test reads), and whether a type that is not
// listed is traced.
TEST(TraceConfigurationTest, DestinationAndTypeListsFollowTheSetting) {
    const char* const rows[][2] = {
        // clang-format off
        {"", "||0"}, {"    ", "||0"},
        // A leading comma means standard error; named types bring ERROR and WARNING in.
        {",error", "stderr|ERROR WARNING|0"},
        // "~" first: the names are exclusions and everything else is included.
        {"x,~,entry,expr", "x|ALL CONNECTION ERROR EXCPTN MUF PYX VEK WARNING WOLQ ZOR|1"},
        // "~" after an inclusion is ignored; names are case-insensitive and listed once, also
        // unknown ones.
        {"stdout,Vek,vek,~,~,foo", "stdout|ERROR FOO VEK WARNING|0"},
        // An exclusion wins over the ERROR that named types bring in, and over ALL.
        {"x,~,error,all", "x|CONNECTION ENTRY EXCPTN EXPR MUF PYX VEK WARNING WOLQ ZOR|0"},
        // Blanks around the value and its parts go, inner blanks stay, empty names are skipped.
        {"  /tmp/Trace Dir , vek ,, ,  ", "/tmp/Trace Dir|ERROR VEK WARNING|0"},
        // clang-format on
    };
    for (const auto& [setting, expected] : rows) {
        const TraceWorker worker(qimtest::utf8(setting));
        std::string got = qimtest::text(EncodedString(worker.destination())) + "|";
        for (unsigned int i = 0; i < worker.includedCount(); ++i)
            got += std::string(i ? " " : "") + worker.includedTypes()[i];
        EXPECT_EQ(got + "|" + std::to_string(worker.isTraceBitSet("UNLISTED")), expected);
    }
}

void write(TraceWorker& worker, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    worker.trace("UNIX_ShellPgm", 12, "VEK", format, arguments);
    va_end(arguments);
}

/// A trace's text without the stamps that begin its lines, and with "<time>" for the
/// time of its start and end lines.
std::string unstamped(const std::string& text) {
    std::string lines;
    for (const std::string& line : qimtest::splitLines(text))
        lines += line.substr(qimtest::stampLength(line)) + "\n";
    return std::regex_replace(lines, std::regex("(start|end) at .*"), "$1 at <time>");
}

// The per-process file "<pid>.trc" of a trace directory has a name anybody can predict:
// whatever somebody put there before the process opens it is refused, never written
// through. Each row's command (run in the directory, with $PPID this process) prepares it.
TEST(TraceOutputTest, WhatLiesAtTheDestinationDecidesWhetherItOpens) {
    const std::tuple<const char*, const char*, bool> rows[] = {
        // command, destination, opens
        // clang-format off
        {"true", ".", true},                               // nothing: the process's own file
        {"yes O | head -c 99999 >$PPID.trc", ".", true},   // an earlier process's, emptied
        {"ln -s victim $PPID.trc", ".", false},            // a link is not followed,
        {"ln -s nothing $PPID.trc", ".", false},           // nor creates its target
        {"ln victim $PPID.trc", ".", false},               // a second name is not emptied
        {"mkfifo $PPID.trc", ".", false},                  // a FIFO does not hold the process
        {"ln -s $PPID.trc link", "link", true},            // a file the user names opens as named
        {"true", "missing/trace", false}, {"touch file", "file/trace", false},
        // clang-format on
    };
    const std::string ending = "**VEK: UNIX_ShellPgm(12): x=5\nvoid TraceWorker::itrace(340): "
                               "Trace end at <time>\n\n";
    for (const auto& [command, destination, opens] : rows) {
        qimtest::TemporaryDirectory directory;
        const std::string own = directory.file(std::to_string(getpid()) + ".trc");
        const std::string setUp = "cd " + directory.path() + ";echo victim>victim;" + command;
        ASSERT_EQ(std::system(setUp.c_str()), 0);
        auto worker = std::make_unique<TraceWorker>(
            qimtest::utf8(directory.path() + "/" + destination + ",vek"));
        worker->arm();
        errno = 13;
        write(*worker, "x=%d", 5);
        EXPECT_EQ(errno, 13) << command;
        EXPECT_EQ(worker->state(), opens ? TraceWorker::Open : TraceWorker::Failed) << command;
        EXPECT_EQ(qimtest::switchesOn(worker->flags).size(), opens ? 3u : 0u);
        worker.reset(); // the worker ends the file as it goes
        EXPECT_EQ(qimtest::readFile(directory.file("victim")), "victim\n");
        EXPECT_FALSE(std::filesystem::exists(directory.file("nothing")));
        const std::string text =
            unstamped(std::filesystem::is_regular_file(own) ? qimtest::readFile(own) : "");
        EXPECT_EQ(text.substr(std::min(text.find("**VEK"), text.size())), opens ? ending : "")
            << command;
    }
}

// The process's own trace, configured from QIM_DBG_TRACE, opens with its header at its first
// record. The entry points write the types it includes, and none of them changes errno.
// Records of several threads, some too long for the stack buffer, arrive whole, each on a
// line of its own. A forked child ends the trace on the shared stream and starts its own.
TEST(TraceProcessTest, TheProcessTraceFollowsQIM_DBG_TRACE) {
    const qimtest::ChildResult child = qimtest::runInChild([] {
        TraceImplementation::start(nullptr);
        errno = 13;
        traceVEK("UNIX_ShellPgm", 12, "%s", std::string(5000, 'm').c_str());
        std::vector<std::thread> writers(4);
        for (std::thread& writer : writers)
            writer = std::thread([] {
                for (int number = 0; number < 1000; ++number)
                    traceVEK("T", 0, "%s", std::string(number % 50 ? 8 : 3000, 'y').c_str());
            });
        for (std::thread& writer : writers)
            writer.join();
        traceZOR("a/b.c", 1, "ignored: not included");
        traceError("a/b.c", 12, "x=%d", 5);
        traceWarning("void PoolArea::grow(unsigned int)", 142, "grow");
        const StdException status("a/b.c", 9, 0);
        try {
            throw ZOR_Exception("Queue::Queue(int)", 201, "Cannot create queue");
        } catch (const StdException&) {
        }
        if (fork() == 0) { // a child ends its parent's trace and starts its own on the stream
            TraceImplementation::instance()->processForked();
            traceVEK("UNIX_ShellPgm", 12, "child");
            _exit(0);
        }
        return wait(nullptr) > 0 ? errno : -1;
    });
    EXPECT_EQ(child.exitCode(), 13);
    const std::string out = unstamped(child.out);
    const std::string rest = std::regex_replace(out, std::regex(R"(\*\*VEK: T: y+\n)"), "");
    // 3920 records "**VEK: T: " of 8 "y" and 80 of 3000, each with its newline.
    EXPECT_EQ(out.size() - rest.size(), 3920 * 19 + 80 * 3011u) << "thread records lost or cut";
    const std::string place = "void TraceWorker::itrace(340): ";
    std::string header = place + "Trace start at <time>\n\n" + place + "Included trace types:\n";
    for (const char* type : {"ERROR", "EXCPTN", "VEK", "WARNING", "", "ALL", "CONNECTION", "ENTRY",
                             "EXPR", "MUF", "PYX", "WOLQ", "ZOR"})
        header += place + (*type ? "   " + std::string(type) : "Excluded trace types:") + "\n";
    header += place + "Build Date: " + BUILD_DATE + "\n\n" + place + "Environment settings:\n" +
              qimtest::text(DebuggerSettings::instance()->dump()) + "\n";
    EXPECT_EQ(rest, header + "**VEK: UNIX_ShellPgm(12): " + std::string(5000, 'm') +
                        "\n**ERROR: a/b.c(12): x=5\n**WARNING: void PoolArea::grow(142): grow\n"
                        "**EXCPTN: a/b.c(9): StdException created;  Status = 0\n"
                        "**EXCPTN: Queue::Queue(201): StdException created;  Text = Cannot "
                        "create queue\n" +
                        place + "Trace end at <time>\n\n" + header +
                        "**VEK: UNIX_ShellPgm(12): child\n");
}

} // namespace
