#!/usr/bin/env bash
# Builds everything, then launches /bin/echo the way a debugger engine does: qimmaster
# creates a queue and starts qimshell, which forks and holds its child until qimmaster has
# taken control of it and sent the start signal. Shows each step of the handshake and the
# stop at the new image's entry, before its first instruction.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
# A small environment, so that the report of the debuggee's shows what the shell added.
env -i PATH=/usr/bin:/bin build/default/bin/qimmaster --timeline --stop-at-entry -- \
    /bin/echo "hello from the debuggee"
