//===- tests/utilities/diagnostics/TraceValueSizeTest.cpp - Records of values of any size ---===//
//
// Texts of every size and byte through the trace: a record that fits is written whole,
// one that does not is cut at the end of the record buffer and keeps its newline, and the
// record after it is whole. Records are composed on the stack when they fit there and in
// the full buffer otherwise, so the sizes on either side of both limits are written for
// real. The header lists every setting in one record, which huge QIM_DBG_ values make the
// longest record of a process. The native code page is ISO-8859-1 (QIM_DBG_CODEPAGE, set
// for this program and for the probe), so that every byte has a character.
//
//===----------------------------------------------------------------------------===//
#include "utilities/diagnostics/TraceWorker.h"
#include "utilities/settings/DebuggerSettingsLINUX.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/LargeValues.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/StringText.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

/// The place and line of the records the tests write.
const std::string place = "UNIX_ShellPgm";

void writeRecord(TraceWorker& worker, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    worker.trace(place.c_str(), 12, "VEK", format, arguments);
    va_end(arguments);
}

/// Expects `record` to be what the trace writes for `text` after the record's own prefix,
/// the place `where` and its line.
void expectRecordOf(const std::string& record, const std::string& text,
                    const std::string& where = place) {
    const std::string prefix = qimtest::recordPrefix(record, where);
    ASSERT_FALSE(prefix.empty()) << record.substr(0, 80);
    const std::string expected = qimtest::writtenRecord(prefix + text);
    EXPECT_EQ(record.size(), expected.size());
    EXPECT_TRUE(record == expected) << "the record's text differs";
}

// The record of each text is exactly the text, or its start up to the buffer's end; the
// lengths are chosen around the stack buffer (1024 bytes) and the record buffer.
TEST(TraceValueSizeTest, RecordsOfEverySizeAreWholeOrCutAtTheBuffersEnd) {
    qimtest::TemporaryDirectory directory;
    const std::string path = directory.file("trace");
    TraceWorker worker(EncodedString((path + ",vek").c_str(), EncodedString::UTF8));
    worker.arm();
    writeRecord(worker, "%s", "");
    const std::vector<std::string> opened = qimtest::traceRecords(qimtest::readFile(path));
    ASSERT_FALSE(opened.empty());
    // The stamp's width stays the same while the test runs (well under ten seconds).
    const std::size_t prefix = qimtest::recordPrefix(opened.back(), place).size();
    ASSERT_GT(prefix, 0u);
    std::vector<std::size_t> sizes = qimtest::valueSizes();
    for (std::size_t whole : {std::size_t(1023), std::size_t(1024), qimtest::traceRecordBuffer - 1,
                              qimtest::traceRecordBuffer})
        for (std::size_t around : {whole - 2, whole - 1, whole}) // the newline adds one
            sizes.push_back(around - prefix);
    for (std::size_t size : sizes) {
        writeRecord(worker, "%s", qimtest::everyByte(size).c_str());
        writeRecord(worker, "after %zu", size);
    }

    const std::vector<std::string> records = qimtest::traceRecords(qimtest::readFile(path));
    ASSERT_EQ(records.size(), opened.size() + 2 * sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE(std::to_string(sizes[i]) + " bytes");
        expectRecordOf(records[opened.size() + 2 * i], qimtest::everyByte(sizes[i]));
        expectRecordOf(records[opened.size() + 2 * i + 1], "after " + std::to_string(sizes[i]));
    }
}

/// The variables of every setting, the largest set to `largest` and the others to 4096
/// bytes of every byte, each starting at a different byte.
std::vector<std::string> hugeSettings(const std::string& largest) {
    const DebuggerSettingsLINUX table;
    std::vector<std::string> environment;
    for (unsigned int position = 0; position < table.count(); ++position) {
        const std::wstring name(table.setting(position).name);
        const std::string variable = "QIM_DBG_" + std::string(name.begin(), name.end());
        if (variable == "QIM_DBG_TRACE")
            environment.push_back(variable + "=stderr,vek");
        else if (variable == "QIM_DBG_ADDR")
            environment.push_back(variable + "=" + largest);
        else
            environment.push_back(variable + "=" +
                                  qimtest::everyByte(4096 + position).substr(position));
    }
    return environment;
}

/// The settings table that `environment` ("NAME=value" entries) gives, read in this
/// process, dumped.
std::string dumpOf(const std::vector<std::string>& environment) {
    std::vector<std::unique_ptr<qimtest::ScopedEnvironment>> scopes;
    for (const std::string& entry : environment) {
        const std::size_t equals = entry.find('=');
        scopes.push_back(std::make_unique<qimtest::ScopedEnvironment>(
            entry.substr(0, equals).c_str(), entry.c_str() + equals + 1));
    }
    DebuggerSettingsLINUX table;
    return qimtest::text(table.dump());
}

// A process whose settings are all large writes the "Environment settings" record whole,
// or cut at the buffer's end when the settings exceed it, and its records after it whole.
TEST(TraceValueSizeTest, HugeSettingsFillTheHeaderRecordUpToItsEnd) {
    for (std::size_t size : qimtest::valueSizes(qimtest::largestExecString - 13)) {
        SCOPED_TRACE("QIM_DBG_ADDR of " + std::to_string(size) + " bytes");
        std::vector<std::string> environment = hugeSettings(qimtest::everyByte(size));
        const std::string dump = dumpOf(environment);
        environment.push_back("QIM_DBG_CODEPAGE=ISO-8859-1");
        const qimtest::ChildResult result =
            qimtest::runProgram(QIM_TRACE_PROBE, {"started"}, environment);
        ASSERT_EQ(result.exitCode(), 0);

        const std::vector<std::string> records = qimtest::traceRecords(result.err);
        ASSERT_EQ(records.size(), 20u) << "17 header records, then the probe's 3";
        expectRecordOf(records[16], "Environment settings:\n" + dump, "void TraceWorker::itrace");
        EXPECT_EQ(qimtest::withoutStamp(records[17]),
                  "**VEK: UNIX_ShellPgm(12): Starting....  pid = 42\n");
    }
}

} // namespace
