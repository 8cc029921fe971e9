#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset: clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each of them for a bounded time on a copy of its
# committed seed corpus, so that the committed corpus never grows here. Prints each
# target's executions and findings, writes them to <build-dir>/fuzz-summary.txt (target,
# seconds, executions, result; tab-separated) and exits non-zero when any target found a
# crash or a violated property; the input that did it stays in <build-dir>/artifacts/.
#
#   scripts/run-fuzzers.sh [seconds-per-target] [build-dir]   (default 30 s, build/fuzz)
#
# Environment:
#   QIM_FUZZ_TARGETS  the targets to run, separated by blanks (default: every target that
#                     has a corpus under fuzz/corpus)
#   QIM_FUZZ_JOBS     parallel build jobs (2)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
build_dir=${2:-build/fuzz}
jobs=${QIM_FUZZ_JOBS:-2}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [seconds-per-target] [build-dir]" >&2
    exit 2
fi

step() { echo "== $*" >&2; }

step "Installing what the build and the runs need"
bash scripts/install-deps.sh clang libclang-rt-14-dev

step "Building the fuzz targets in $build_dir"
cmake --preset fuzz -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "$jobs" >&2

targets=()
if [ -n "${QIM_FUZZ_TARGETS:-}" ]; then
    read -r -a targets <<<"$QIM_FUZZ_TARGETS"
else
    for corpus in fuzz/corpus/*/; do
        targets+=("$(basename "$corpus")")
    done
fi

work=$build_dir/fuzz-work
artifacts=$build_dir/artifacts
summary=$build_dir/fuzz-summary.txt
rm -rf "$work"
mkdir -p "$work" "$artifacts"
printf 'target\tseconds\texecutions\tresult\n' >"$summary"

# The sanitizers stop at the first report. LeakSanitizer follows the pools' links inside
# poisoned memory: the library sets use_poisoned=1 as its default.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# What the log says of the finding: libFuzzer's or a sanitizer's report and the property
# check's, up to the first frames of the stack, so that a CI log alone tells what was found.
explain_finding() {
    local log=$1
    local report='^(==[0-9]+==.*(ERROR|WARNING)|==== property violated|.*runtime error|ALARM: working on the last Unit)'
    if grep -q -E "$report" "$log"; then
        grep -E -A 12 -m 3 "$report" "$log" | head -n 40 | sed 's/^/    /'
    else
        tail -n 20 "$log" | sed 's/^/    /'
    fi
    echo "    (whole log: $log)"
}

# The kind of a kept input (libFuzzer names it crash-, leak-, timeout-, oom- or
# slow-unit-), its bytes in hex when small, and the command that replays it.
describe_input() {
    local program=$1 input=$2 size
    size=$(stat -c %s "$input")
    echo "    finding: $(basename "$input" | cut -d- -f1), $size bytes, kept as $input"
    if [ "$size" -le 256 ]; then
        od -A n -t x1 -v "$input" | sed 's/^ */      /'
    fi
    echo "    reproduce: $program $input"
}

failed=0
for target in "${targets[@]}"; do
    program=$build_dir/fuzzers/$target
    if [ ! -x "$program" ] || [ ! -d "fuzz/corpus/$target" ]; then
        echo "$target: no such fuzz target or corpus" >&2
        printf '%s\t%s\t%s\t%s\n' "$target" "$seconds" 0 missing >>"$summary"
        failed=1
        continue
    fi
    corpus=$work/$target/corpus
    log=$work/$target/fuzz.log
    mkdir -p "$corpus" "$artifacts/$target"
    cp -R "fuzz/corpus/$target/." "$corpus"

    step "Fuzzing $target for $seconds s"
    status=0
    # An input counts as hanging after 60 s, not 10: the time of one input includes the leak
    # check that libFuzzer runs after an input that allocated more than it freed, a scan of
    # the whole heap, which on a loaded machine can take seconds of its own.
    "$program" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$artifacts/$target/" "$corpus" >"$log" 2>&1 || status=$?

    executions=$(awk '/^stat::number_of_executed_units:/ { print $2 }' "$log" | tail -n 1)
    executions=${executions:-0}
    findings=$(find "$artifacts/$target" -type f | sort)
    if [ "$status" -eq 0 ] && [ -z "$findings" ]; then
        result=ok
        echo "$target: $executions executions in $seconds s, no findings"
    else
        result=failed
        failed=1
        echo "$target: $executions executions, FAILED (exit status $status)"
        explain_finding "$log"
        for finding in $findings; do
            describe_input "$program" "$finding"
        done
    fi
    printf '%s\t%s\t%s\t%s\n' "$target" "$seconds" "$executions" "$result" >>"$summary"
done

step "Summary in $summary"
column -t -s $'\t' "$summary" >&2 || cat "$summary" >&2
exit "$failed"
