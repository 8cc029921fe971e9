#!/usr/bin/env bash
# Builds the project three times and runs its tests: every test plainly and under
# AddressSanitizer with UndefinedBehaviorSanitizer, and the tests that run several threads
# (locks, event semaphores, the string pools, the trace) under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
for preset in default sanitize thread; do
    echo "=== ${preset} build"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
