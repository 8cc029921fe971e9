//===- tests/utilities/diagnostics/BuildDateTest.cpp - The build's time stamp ---===//
#include "utilities/diagnostics/BuildDate.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

TEST(BuildDateTest, BuildDateIsATimeInUTC) {
    EXPECT_TRUE(std::regex_match(
        BUILD_DATE,
        std::regex("20[0-9]{2}-[01][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9] UTC")))
        << BUILD_DATE;
}

} // namespace
