#!/usr/bin/env bash
# Builds the project three times and runs its tests: every test plainly (a whole launch under
# valgrind's memcheck among them) and under AddressSanitizer with UndefinedBehaviorSanitizer,
# and the tests that run several threads (locks, event semaphores, the string pools, the
# trace) under ThreadSanitizer. Then runs every fuzz target for 30 seconds on its corpus.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
for preset in default sanitize thread; do
    echo "=== ${preset} build"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
bash scripts/run-fuzzers.sh 30
