#!/usr/bin/env bash
# Builds the benchmarks in a fresh Release tree, runs every one of them (ours and the
# peers': glibc, jemalloc and mimalloc malloc, iconv, mbstowcs, spdlog, stdio, posix_spawn),
# times the codec once more as built by clang, counts instructions per operation under
# callgrind, and writes docs/performance.md from the results of this run.
#
#   scripts/run-benchmarks.sh [build-dir]        (default build/bench-release)
#
# Environment, to trade precision for time:
#   QIM_BENCH_REPETITIONS  repetitions of each benchmark, of which the median counts (9)
#   QIM_BENCH_MIN_TIME     seconds each repetition runs at least (0.2)
#   QIM_BENCH_LAUNCHES     launches of each kind for the launch timing (200)
#   QIM_BENCH_JOBS         parallel build jobs (2)
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
build_dir=${1:-build/bench-release}
repetitions=${QIM_BENCH_REPETITIONS:-9}
min_time=${QIM_BENCH_MIN_TIME:-0.2}
launches=${QIM_BENCH_LAUNCHES:-200}
jobs=${QIM_BENCH_JOBS:-2}
bench=$build_dir/bench
results=$build_dir/benchmark-results

step() { echo "== $*" >&2; }

step "Installing what the build and the runs need"
scripts/install-deps.sh libjemalloc2 valgrind python3 clang
jemalloc=$(dpkg -L libjemalloc2 | grep '/libjemalloc\.so\.2$' | head -n 1)

step "Building $build_dir from scratch (Release)"
cmake --fresh -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQIM_BUILD_TESTS=OFF \
    -DQIM_BUILD_BENCHMARKS=ON -DQIM_SANITIZE=OFF >/dev/null
cmake --build "$build_dir" --clean-first -j "$jobs"

# The codec once more, built by clang: a helper that one compiler inlines and the other
# does not can change its speed severalfold.
step "Building the codec benchmark with clang in $build_dir/clang"
CXX=clang++ cmake --fresh -S . -B "$build_dir/clang" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQIM_BUILD_TESTS=OFF -DQIM_BUILD_BENCHMARKS=ON -DQIM_SANITIZE=OFF >/dev/null
cmake --build "$build_dir/clang" --clean-first -j "$jobs" --target unicode_benchmark

rm -rf "$results"
mkdir -p "$results"

# run_benchmark NAME [VAR=value...] PROGRAM [ARGS...]: one Google Benchmark program, its
# repetitions reduced to their aggregates, as $results/NAME.json. The repetitions of all
# its benchmarks run interleaved in random order, so that a busy spell of the machine does
# not fall on ours or on a peer's alone.
run_benchmark() {
    local name=$1
    shift
    step "Timing $name"
    env "$@" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
        --benchmark_enable_random_interleaving=true --benchmark_min_time="$min_time" \
        --benchmark_out="$results/$name.json" --benchmark_out_format=json
}

# The other allocators are timed only where malloc is what is measured.
peer_filter='/malloc|std::string'
run_benchmark pool-glibc "$bench/pool_benchmark"
run_benchmark pool-jemalloc LD_PRELOAD="$jemalloc" "$bench/pool_benchmark" \
    --benchmark_filter="$peer_filter"
run_benchmark pool-mimalloc "$bench/pool_benchmark_mimalloc" --benchmark_filter="$peer_filter"
run_benchmark unicode "$bench/unicode_benchmark"
run_benchmark unicode-clang "$build_dir/clang/bench/unicode_benchmark" \
    --benchmark_filter='/(library|iconv)'
run_benchmark trace "$bench/trace_benchmark"

step "Timing $launches launches of each kind"
"$bench/launch_timing" --runs "$launches" --qimmaster "$build_dir/bin/qimmaster" \
    >"$results/launch.json"
for _ in $(seq 30); do
    "$build_dir/bin/qimmaster" --timeline -- /bin/true 2>>"$results/timeline.txt"
done

# count_operations MALLOC PATTERN PROGRAM [VAR=value...]: the instructions of each operation
# of PROGRAM whose name matches PATTERN, as lines of $results/counts.tsv.
count_operations() {
    local allocator=$1 pattern=$2 program=$3
    shift 3
    local name unit units out=$results/callgrind.out
    while IFS=$'\t' read -r name unit; do
        [[ $name =~ $pattern ]] || continue
        step "Counting instructions: $name ($allocator)"
        units=$(env "$@" valgrind --tool=callgrind --collect-atstart=no \
            --toggle-collect=countedOperations --callgrind-out-file="$out" \
            "$program" "$name" 2>/dev/null | awk '$1 == "units" { print $2 }')
        printf '%s\t%s\t%s\t%s\t%s\n' "$allocator" "$name" "$unit" \
            "$(awk '$1 == "totals:" { print $2 }' "$out")" "$units" >>"$results/counts.tsv"
    done < <("$program" --list)
    rm -f "$out"
}

count_operations glibc . "$bench/operation_counts"
count_operations jemalloc "$peer_filter" "$bench/operation_counts" LD_PRELOAD="$jemalloc"
count_operations mimalloc "$peer_filter" "$bench/operation_counts_mimalloc"

step "Writing docs/performance.md"
mkdir -p docs
python3 scripts/performance-report.py "$results" "$build_dir" --repetitions "$repetitions" \
    --min-time "$min_time" --launches "$launches" --seconds $((SECONDS - started)) \
    >docs/performance.md
step "Done in $((SECONDS - started)) s: docs/performance.md"
