//===- tests/utilities/diagnostics/StdExceptionTest.cpp - Exceptions ------===//
//
// Tests of StdException and ZOR_Exception: their fields, self-contained copies, and the
// trace record that announces each one.
//
//===----------------------------------------------------------------------------===//
#include "tests/support/StringText.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TextLines.h"
#include "tests/support/TraceInUse.h"
#include "utilities/diagnostics/ZOR_Exception.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace {

using qimtest::text;

TEST(StdExceptionTest, StatusAndTextConstructorsFillTheirFieldsAndTraceTheCreation) {
    qimtest::TemporaryDirectory directory;
    const std::string path = directory.file("trace");
    qimtest::TraceInUse trace(path + ",excptn");

    const StdException fromStatus("a/b.c", 9, 0);
    EXPECT_EQ(text(fromStatus.text()), "");
    EXPECT_EQ(text(fromStatus.where()), "a/b.c");
    EXPECT_EQ(fromStatus.line(), 9u);
    EXPECT_EQ(fromStatus.status(), 0);
    const std::vector<std::string> lines = qimtest::readLines(path);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(qimtest::withoutStamp(lines.back()),
              "**EXCPTN: a/b.c(9): StdException created;  Status = 0");

    const ZOR_Exception fromText("f(int)", 201, "Cannot create queue");
    EXPECT_EQ(text(fromText.text()), "Cannot create queue");
    EXPECT_EQ(fromText.status(), -1);
}

TEST(StdExceptionTest, ACaughtCopyOwnsItsStrings) {
    // The thrower's strings and the thrown object are gone by the time the copy is used.
    std::optional<ZOR_Exception> kept;
    try {
        auto where = std::make_unique<std::string>("ShellMsg::send(int)");
        auto text = std::make_unique<std::string>("msgsnd failed: \xC3\xA9");
        ZOR_Exception thrown(where->c_str(), 77, text->c_str());
        where->assign(where->size(), 'x');
        text->assign(text->size(), 'x');
        throw thrown;
    } catch (const ZOR_Exception& caught) {
        kept.emplace(caught);
    }
    ASSERT_TRUE(kept);
    EXPECT_EQ(text(kept->where()), "ShellMsg::send(int)");
    EXPECT_EQ(text(kept->text()), "msgsnd failed: \xC3\xA9");
    EXPECT_EQ(kept->line(), 77u);
    EXPECT_EQ(kept->status(), -1);
}

} // namespace
