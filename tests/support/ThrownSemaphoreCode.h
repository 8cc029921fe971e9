//===- tests/support/ThrownSemaphoreCode.h - What a lock call threw -*- C++ -*-===//
//
// Runs a call and reports the error code of the ZOR_SemaphoreError it threw, so that a
// test can state "throws -1" and "throws nothing" in one expectation each.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_TESTS_SUPPORT_THROWNSEMAPHORECODE_H
#define QIM_TESTS_SUPPORT_THROWNSEMAPHORECODE_H

#include "utilities/diagnostics/ZOR_SemaphoreError.h"

#include <optional>

/// The code of the ZOR_SemaphoreError that `call` throws; empty when it throws nothing.
template <typename Call>
std::optional<int> thrownCode(Call call) {
    try {
        call();
    } catch (const ZOR_SemaphoreError& error) {
        return error.errorCode();
    }
    return std::nullopt;
}

#endif
