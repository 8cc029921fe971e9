//===- tests/utilities/diagnostics/TraceRecordTest.cpp - Composing one trace line ---===//
//
// Tests of the layout of one record for every shape of place and line, and of the cut of
// a record longer than its buffer.
//
//===----------------------------------------------------------------------------===//
#include "utilities/diagnostics/TraceRecord.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

/// Whether the last compose() cut its record.
bool lastRecordCut = false;

std::size_t compose(char* buffer, std::size_t size, long thread, const char* type,
                    const char* where, unsigned int line, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const std::size_t length = composeTraceRecord(buffer, size, "1.500000", thread, type, where,
                                                  line, format, arguments, &lastRecordCut);
    va_end(arguments);
    return length;
}

struct RecordCase {
    const char* type;
    const char* where;
    unsigned int line;
    const char* text;
    const char* expected;
};

void PrintTo(const RecordCase& value, std::ostream* out) {
    *out << '"' << value.expected << '"';
}

class TraceRecordShapeTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(TraceRecordShapeTest, RecordHasTheExactLayout) {
    const RecordCase& record = GetParam();
    char buffer[512];
    const std::size_t length = compose(buffer, sizeof buffer, 7, record.type, record.where,
                                       record.line, "%s", record.text);
    EXPECT_EQ(std::string(buffer), record.expected);
    EXPECT_EQ(length, std::strlen(record.expected));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Shapes, TraceRecordShapeTest, ::testing::Values(
    RecordCase{"ERROR", "a/b.c", 12, "x=5", "1.500000 (7): **ERROR: a/b.c(12): x=5\n"},
    // A signature is cut before its first parenthesis, so the line follows the name.
    RecordCase{"WARNING", "void PoolArea::grow(unsigned int, PoolArea*&, int&, int&, int)", 142,
               "Initial allocation of pool should be increased!",
               "1.500000 (7): **WARNING: void PoolArea::grow(142): "
               "Initial allocation of pool should be increased!\n"},
    RecordCase{"VEK", "f(a(b))", 4, "t", "1.500000 (7): **VEK: f(4): t\n"},
    // A place that starts with its parenthesis is printed whole.
    RecordCase{"VEK", "(x)", 3, "t", "1.500000 (7): **VEK: (x)(3): t\n"},
    // Internal records have no type.
    RecordCase{nullptr, "void TraceWorker::itrace(const char*, ...)", 340,
               "Included trace types:",
               "1.500000 (7): void TraceWorker::itrace(340): Included trace types:\n"},
    RecordCase{"ERROR", nullptr, 12, "x=5", "1.500000 (7): **ERROR: x=5\n"},
    RecordCase{"ERROR", "a/b.c", 0, "x=5", "1.500000 (7): **ERROR: a/b.c: x=5\n"},
    RecordCase{"ERROR", "a/b.c", 4000000000u, "x", "1.500000 (7): **ERROR: a/b.c(4000000000): x\n"},
    // An empty text still leaves the place with its colon and blank.
    RecordCase{"ERROR", "a/b.c", 12, "", "1.500000 (7): **ERROR: a/b.c(12): \n"},
    RecordCase{nullptr, nullptr, 0, "\xC3\xA9\xFF", "1.500000 (7): \xC3\xA9\xFF\n"}),
    [](const ::testing::TestParamInfo<RecordCase>& info) {
        return "Shape" + std::to_string(info.index);
    });
// clang-format on

TEST(TraceRecordTest, ThreadNumbersPrintAsSignedLongs) {
    char buffer[128];
    compose(buffer, sizeof buffer, -140737488355328L, nullptr, nullptr, 0, "x");
    EXPECT_STREQ(buffer, "1.500000 (-140737488355328): x\n");
    compose(buffer, sizeof buffer, 140737488355328L, nullptr, nullptr, 0, "x");
    EXPECT_STREQ(buffer, "1.500000 (140737488355328): x\n");
}

// A record longer than its buffer is cut at the buffer's end, keeps its newline and its
// terminator, and nothing is written outside the buffer.
TEST(TraceRecordTest, LongRecordIsCutInsideTheBufferKeepingItsNewline) {
    const std::string prefix = "1.500000 (7): **ERROR: a/b.c(12): "; // 34 characters
    for (std::size_t size : {2u, 3u, 34u, 35u, 36u, 40u, 64u}) {
        for (std::size_t textLength : {0u, 1u, 5u, 6u, 100u}) {
            std::vector<char> guarded(size + 16, '#');
            char* buffer = guarded.data() + 8;
            const std::string text(textLength, 't');
            const std::size_t length =
                compose(buffer, size, 7, "ERROR", "a/b.c", 12, "%s", text.c_str());
            const std::string whole = prefix + text + "\n";
            const std::string expected =
                whole.size() <= size - 1 ? whole : whole.substr(0, size - 2) + "\n";
            SCOPED_TRACE("size " + std::to_string(size) + ", text " + std::to_string(textLength));
            EXPECT_EQ(std::string(buffer), expected);
            EXPECT_EQ(length, expected.size());
            // The worker composes again in a larger buffer exactly when this is reported.
            EXPECT_EQ(lastRecordCut, whole.size() > size - 1);
            EXPECT_EQ(std::string(guarded.data(), 8), std::string(8, '#'));
            EXPECT_EQ(std::string(buffer + size, 8), std::string(8, '#'));
        }
    }
}

} // namespace
