//===- utilities/diagnostics/ZOR_SemaphoreError.cpp - Lock failures -------===//
#include "utilities/diagnostics/ZOR_SemaphoreError.h"

void ZOR_SemaphoreError::throwException(int code) {
    throw ZOR_SemaphoreError(code);
}
