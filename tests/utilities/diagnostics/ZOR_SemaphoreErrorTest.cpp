//===- tests/utilities/diagnostics/ZOR_SemaphoreErrorTest.cpp - Lock failures ---===//
//
// Tests of ZOR_SemaphoreError, the exception that the synchronization objects throw.
//
//===----------------------------------------------------------------------------===//
#include "utilities/diagnostics/ZOR_SemaphoreError.h"

#include <gtest/gtest.h>

namespace {

TEST(ZOR_SemaphoreErrorTest, ThrowExceptionThrowsByValueWithTheCodeAndNoSecondaryCode) {
    // Guards against a thrown pointer or base object, a code that is lost, and a
    // secondary code that is not 0.
    for (int code : {16, -1, 110}) {
        try {
            ZOR_SemaphoreError::throwException(code);
            ADD_FAILURE() << "throwException(" << code << ") returned";
        } catch (const ZOR_SemaphoreError& error) {
            EXPECT_EQ(error.errorCode(), code);
            EXPECT_EQ(error.secondaryCode(), 0);
        }
    }
}

} // namespace
