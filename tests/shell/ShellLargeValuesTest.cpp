//===- tests/shell/ShellLargeValuesTest.cpp - Launches with values of any size ---===//
//
// The values a launch carries, from empty to the largest an exec allows and filled with
// every byte from 0x01 to 0xFF: the -LD_LIBRARY_PATH and -NLSPATH values and the debuggee's
// arguments reach the debuggee byte for byte, the parent's and the child's trace records
// of them are whole or cut at the end of the record buffer, and a debuggee path of any size
// comes back whole in the message of a failed exec, whatever NLSPATH, LANG and LC_* hold.
// All launches of a test run side by side under one stand-in master.
//
//===----------------------------------------------------------------------------===//
#include "shell/UNIX_ShellMsgQueue.h"
#include "tests/shell/ShellHarness.h"
#include "tests/support/LargeValues.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

/// One launch with a directory, a queue and a trace directory of its own.
class Launch {
public:
    Launch(const std::string& directory, pid_t master, const Lines& extra, const Lines& debuggee,
           const Lines& environment)
        : _directory(directory), _queue(keyFile(directory).c_str(), 0),
          _arguments(qimtest::shellArguments(_queue.key(), master, 0, extra, debuggee)) {
        fs::create_directory(traces());
        Lines traced = environment;
        traced.push_back("QIM_DBG_TRACE=" + traces() + ",vek");
        _shell = std::make_unique<qimtest::ShellRun>(_arguments, traced, directory);
    }

    /// Reads both records and sends the start signal; the child's process id, or 0.
    pid_t start() {
        const std::unique_ptr<ShellMsg> flag = qimtest::awaitRecord(_queue.id());
        const std::unique_ptr<ShellMsg> pid = qimtest::awaitRecord(_queue.id());
        if (!flag || !pid || pid->type() != SHELL_MSG_INT || pid->intValue() <= 0)
            return 0;
        _child = pid->intValue();
        return kill(_child, SIGFPE) == 0 ? _child : 0;
    }

    /// After the master's end: expects the parent to end with 0 and the child (or the
    /// debuggee it became) with `childStatus`.
    void expectEnd(int childStatus) {
        ASSERT_TRUE(_shell->waitForEnd());
        EXPECT_EQ(_shell->exitCode(), 0);
        const int status = _shell->awaitOrphanedChild();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == childStatus) << status;
    }

    qimtest::ShellRun& shell() { return *_shell; }
    /// The shell's argv as it started, argv[0] included.
    Lines argv() const {
        Lines all{QIM_SHELL_PROGRAM};
        all.insert(all.end(), _arguments.begin(), _arguments.end());
        return all;
    }
    /// The records of the trace that process `pid` wrote.
    Lines trace(pid_t pid) const {
        return qimtest::traceRecords(
            qimtest::readFile(traces() + "/" + std::to_string(pid) + ".trc"));
    }
    pid_t child() const { return _child; }

private:
    static std::string keyFile(const std::string& directory) {
        fs::create_directories(directory);
        qimtest::touch(directory + "/key");
        return directory + "/key";
    }
    std::string traces() const { return _directory + "/traces"; }

    std::string _directory;
    UNIX_ShellMsgQueue _queue;
    Lines _arguments;
    std::unique_ptr<qimtest::ShellRun> _shell;
    pid_t _child = 0;
};

/// Expects the records of `records` after the one whose text is `title` to be those of
/// `texts` in order, each between `before` and `after`, whole or cut as the trace cuts it.
void expectRecordsAfter(const Lines& records, const std::string& title, const Lines& texts,
                        const std::string& before, const std::string& after) {
    std::size_t at = 0;
    while (at < records.size() &&
           records[at].compare(qimtest::recordPrefix(records[at], "UNIX_ShellPgm").size(),
                               std::string::npos, title + "\n") != 0)
        ++at;
    ASSERT_LT(at + texts.size(), records.size()) << "no record \"" << title << "\" and its list";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string& record = records[at + 1 + i];
        const std::string prefix = qimtest::recordPrefix(record, "UNIX_ShellPgm");
        const std::string expected = qimtest::writtenRecord(prefix + before + texts[i] + after);
        SCOPED_TRACE(title + " item " + std::to_string(i) + " of " +
                     std::to_string(texts[i].size()) + " bytes");
        EXPECT_EQ(record.size(), expected.size());
        EXPECT_TRUE(record == expected) << "the record's text differs";
    }
}

/// True when `report` holds the line "<name>=<value>" whole.
bool reports(const std::string& report, const std::string& name, const std::string& value) {
    return report.find("\n" + name + "=" + value + "\n") != std::string::npos;
}

TEST(ShellLargeValuesTest, ValuesOfEverySizeReachTheDebuggeeWhole) {
    qimtest::TemporaryDirectory directory;
    qimtest::StandInMaster master;
    const std::vector<std::size_t> sizes =
        qimtest::valueSizes(qimtest::largestExecString - std::strlen("-LD_LIBRARY_PATH="));
    std::vector<std::unique_ptr<Launch>> launches;
    for (std::size_t size : sizes) {
        const std::string value = qimtest::everyByte(size);
        const std::string name = directory.file(std::to_string(size));
        launches.push_back(std::make_unique<Launch>(
            name, master.pid(), Lines{"-LD_LIBRARY_PATH=" + value, "-NLSPATH=" + value},
            Lines{QIM_DEBUGGEE_PROBE, name + "/report", value}, Lines{}));
    }
    for (auto& launch : launches)
        ASSERT_GT(launch->start(), 0);
    for (std::size_t i = 0; i < sizes.size(); ++i)
        EXPECT_TRUE(qimtest::awaitFile(directory.file(std::to_string(sizes[i]) + "/report")))
            << "the debuggee of " << sizes[i] << " bytes did not run";
    master.end();

    for (std::size_t i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE(std::to_string(sizes[i]) + " bytes");
        Launch& launch = *launches[i];
        launch.expectEnd(0);
        const std::string value = qimtest::everyByte(sizes[i]);
        const std::string report =
            "\n" + qimtest::readFile(directory.file(std::to_string(sizes[i]) + "/report"));
        EXPECT_TRUE(reports(report, "arg", value)) << "the argument changed";
        EXPECT_TRUE(reports(report, "env=NLSPATH", value)) << "NLSPATH changed";
        EXPECT_TRUE(reports(report, "env=LD_LIBRARY_PATH", value)) << "LD_LIBRARY_PATH changed";
        const Lines argv = launch.argv();
        expectRecordsAfter(launch.trace(launch.shell().pid()), "Parms:", argv, "  ", "");
        const Lines debuggee(argv.end() - 3, argv.end());
        expectRecordsAfter(launch.trace(launch.child()), "Args:", debuggee, "  >", "<");
    }
}

TEST(ShellLargeValuesTest, FailedExecReportsAPathOfAnySizeWholeWhateverTheLocale) {
    qimtest::TemporaryDirectory directory;
    qimtest::StandInMaster master;
    const std::size_t largest = qimtest::largestExecString;
    // With ISO-8859-1 as the native code page the path's bytes come back unchanged.
    const Lines environment{
        "QIM_DBG_CODEPAGE=ISO-8859-1", "NLSPATH=" + qimtest::everyByte(largest - 8),
        "LANG=" + qimtest::everyByte(largest - 5), "LC_ALL=" + qimtest::everyByte(largest - 7),
        "LC_MESSAGES=" + qimtest::everyByte(largest - 12)};
    const Lines extra{"-NLSPATH=" + qimtest::everyByte(largest - 9)};
    // "/" and the bytes; 4096 bytes with the zero byte is a path's limit.
    const std::vector<std::size_t> sizes{1, 4094, 4095, 65536, largest - 1};
    std::vector<std::unique_ptr<Launch>> launches;
    for (std::size_t size : sizes)
        launches.push_back(
            std::make_unique<Launch>(directory.file(std::to_string(size)), master.pid(), extra,
                                     Lines{"/" + qimtest::everyByte(size)}, environment));
    for (auto& launch : launches)
        ASSERT_GT(launch->start(), 0);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const std::string path = "/" + qimtest::everyByte(sizes[i]);
        const int error = path.size() < 4096 ? ENOENT : ENAMETOOLONG;
        const std::string message = "The load of program " + path +
                                    " failed because the exec() function failed.  The error "
                                    "code is " +
                                    std::to_string(error) + ".\n";
        EXPECT_TRUE(
            qimtest::awaitText(directory.file(std::to_string(sizes[i]) + "/shell.out"), message))
            << sizes[i] << " bytes: " << launches[i]->shell().out().substr(0, 100);
    }
    master.end();
    for (auto& launch : launches)
        launch->expectEnd(99);
}

} // namespace
