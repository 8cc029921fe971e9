#!/usr/bin/env bash
# Builds the project twice, plainly and under AddressSanitizer with UndefinedBehaviorSanitizer,
# and runs every test in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
for preset in default sanitize; do
    echo "=== ${preset} build"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
