#!/usr/bin/env python3
"""Writes docs/performance.md from the results that scripts/run-benchmarks.sh collected.

Every figure in the report is read from the result files of that run: the medians of the
Google Benchmark repetitions, the launch timings, the qimmaster timeline and the callgrind
counts. A figure that is missing (a benchmark that failed its check, say) is shown as such
and its goal as not met.

    performance-report.py RESULTS BUILD --repetitions N --min-time S --launches N --seconds S
"""

import argparse
import datetime
import json
import os
import re
import statistics
import subprocess
from pathlib import Path

# The allocator runs of the pool benchmark: result file, heading.
ALLOCATOR_RUNS = [("pool-glibc", "glibc"), ("pool-jemalloc", "jemalloc"),
                  ("pool-mimalloc", "mimalloc")]
CONVERSION_INPUTS = [("ascii", "1 MB ASCII"), ("mixed", "1 MB mixed scripts"),
                     ("short", "20-byte strings, one call each")]
CONVERTERS = [("library", "library"), ("iconv", "iconv (cached)"),
              ("locale", "mbstowcs / wcstombs")]
DIRECTIONS = [("utf8ToWide", "UTF-8 → UTF-32"), ("wideToUtf8", "UTF-32 → UTF-8")]
NANOSECONDS_PER_UNIT = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
BATCH_SIZE = 1000  # blocks per iteration of the allocation benchmarks


class Results:
    """The medians of one Google Benchmark JSON file, by benchmark name and thread count."""

    def __init__(self, path):
        self.context = {}
        self.medians = {}
        self.errors = {}
        if not path.exists():
            return
        data = json.loads(path.read_text())
        self.context = data.get("context", {})
        for entry in data.get("benchmarks", []):
            key = (self.base_name(entry["run_name"]), entry.get("threads", 1))
            if entry.get("error_occurred"):
                self.errors[key] = entry.get("error_message", "error")
            elif entry.get("aggregate_name") == "median":
                self.medians[key] = entry

    @staticmethod
    def base_name(run_name):
        """The name as registered, without the suffixes that options add."""
        return re.sub(r"/(real_time|threads:\d+)", "", run_name)

    def nanoseconds(self, name, threads=1):
        """Median wall-clock time of one iteration in ns, or None."""
        entry = self.medians.get((name, threads))
        if entry is None:
            return None
        return entry["real_time"] * NANOSECONDS_PER_UNIT[entry["time_unit"]]

    def bytes_per_second(self, name):
        entry = self.medians.get((name, 1))
        return entry.get("bytes_per_second") if entry else None


def per_block(nanoseconds):
    return None if nanoseconds is None else nanoseconds / BATCH_SIZE


def ratio(ours, peer):
    if ours is None or peer is None or peer == 0:
        return None
    return ours / peer


def time_text(nanoseconds):
    if nanoseconds is None:
        return "not measured"
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("µs", 1e3)):
        if nanoseconds >= scale:
            return f"{nanoseconds / scale:.3g} {unit}"
    return f"{nanoseconds:.3g} ns"


def ratio_text(value):
    return "—" if value is None else f"{value:.2f}×"


def throughput_text(value):
    return "" if value is None else f" ({value / 1e9:.2f} GB/s)"


def table(headings, rows):
    lines = ["| " + " | ".join(headings) + " |", "|" + "---|" * len(headings)]
    lines += ["| " + " | ".join(str(cell) for cell in row) + " |" for row in rows]
    return "\n".join(lines) + "\n"


# --- Machine -------------------------------------------------------------------------

def cpu_model():
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            return line.split(":", 1)[1].strip()
    return "unknown CPU"


def compiler(build):
    cache = (build / "CMakeCache.txt").read_text()
    path = re.search(r"^CMAKE_CXX_COMPILER:\w+=(.*)$", cache, re.MULTILINE).group(1)
    version = subprocess.run([path, "--version"], capture_output=True, text=True).stdout
    return version.splitlines()[0] if version else path


def machine_line(build):
    glibc = os.confstr("CS_GNU_LIBC_VERSION") or "glibc unknown"
    date = datetime.datetime.now().astimezone().strftime("%Y-%m-%d %H:%M %Z")
    return (f"{cpu_model()}, {os.cpu_count()} cores, {compiler(build)}, {glibc}, {date}")


# --- Goals ---------------------------------------------------------------------------

class Goal:
    """One row of the goals table: our figure, the peer's, and the bound on their ratio
    (or on our figure alone, when `absolute`)."""

    def __init__(self, workload, ours, peer, bound, goal_text, absolute=False, counted=None):
        self.workload = workload
        self.counted = counted  # (our operation, the peer's) in the callgrind counts
        self.ours = ours
        self.peer = peer
        self.bound = bound
        self.goal_text = goal_text
        self.absolute = absolute

    def value(self):
        return self.ours if self.absolute else ratio(self.ours, self.peer)

    def met(self):
        value = self.value()
        return value is not None and value <= self.bound

    def row(self, counts):
        value = self.value()
        result = "not measured" if value is None else ("met" if self.met() else "**not met**")
        instructions = None
        if self.counted:
            instructions = ratio(counts.per_unit(self.counted[0]), counts.per_unit(self.counted[1]))
        return [self.workload, time_text(self.ours),
                "—" if self.absolute else time_text(self.peer),
                "—" if self.absolute else ratio_text(value), self.goal_text, result,
                ratio_text(instructions)]


def goals(pool, unicode, trace, launch):
    rows = [
        Goal("Small blocks: batch of 1000, 1 thread (per get + free) vs glibc malloc",
             per_block(pool.nanoseconds("allocateBatch/library", 1)),
             per_block(pool.nanoseconds("allocateBatch/malloc", 1)), 1.0, "≤ 1.0×",
             counted=("allocateBatch/library", "allocateBatch/malloc")),
        Goal("Small blocks: batch of 1000, 2 threads (per get + free) vs glibc malloc",
             per_block(pool.nanoseconds("allocateBatch/library", 2)),
             per_block(pool.nanoseconds("allocateBatch/malloc", 2)), 1.5, "≤ 1.5×"),
        Goal("EncodedString built, copied, destroyed vs std::string",
             pool.nanoseconds("copyString/library"), pool.nanoseconds("copyString/std::string"),
             1.0, "≤ 1.0×", counted=("copyString/library", "copyString/std::string")),
    ]
    speedups = {"utf8ToWide": {"ascii": 2.5, "mixed": 1.2, "short": 2.0},
                "wideToUtf8": {"ascii": 3.0, "mixed": 1.5, "short": 2.0}}
    for direction, direction_text in DIRECTIONS:
        for name, input_text in CONVERSION_INPUTS:
            speedup = speedups[direction][name]
            ours, peer = f"{direction}/{name}/library", f"{direction}/{name}/iconv"
            rows.append(Goal(f"{direction_text}, {input_text} vs iconv",
                             unicode.nanoseconds(ours), unicode.nanoseconds(peer), 1 / speedup,
                             f"≤ {1 / speedup:.2f}× (iconv's speed × {speedup:g})",
                             counted=(ours, peer)))
    disabled = trace.nanoseconds("traceDisabled/library")
    rows += [
        Goal("Disabled trace call (absolute)", disabled, None, 0.5, "≤ 0.5 ns", absolute=True),
        Goal("Disabled trace call vs spdlog's disabled call", disabled,
             trace.nanoseconds("traceDisabled/spdlog"), 0.1, "≤ 0.1×",
             counted=("traceDisabled/library", "traceDisabled/spdlog")),
        Goal("Enabled trace record, flushed to a file, vs spdlog",
             trace.nanoseconds("traceEnabled/library"), trace.nanoseconds("traceEnabled/spdlog"),
             1.0, "≤ 1.0×", counted=("traceEnabled/library", "traceEnabled/spdlog")),
    ]
    shell, bare = launch.get("qimmaster", {}), launch.get("posix_spawn", {})
    rows += [
        Goal("Launch of /bin/true through qimmaster and qimshell vs posix_spawn, median",
             shell.get("median_ns"), bare.get("median_ns"), 2.5, "≤ 2.5×"),
        Goal("Launch of /bin/true through qimmaster and qimshell vs posix_spawn, p99",
             shell.get("p99_ns"), bare.get("p99_ns"), 3.0, "≤ 3.0×"),
    ]
    return rows


# --- Full tables ---------------------------------------------------------------------

def allocation_table(runs):
    headings = ["Pattern", "Threads", "library (glibc process)"] + [
        f"{heading} malloc" for _, heading in ALLOCATOR_RUNS] + ["library ÷ glibc"]
    rows = []
    for pattern, pattern_text in (("allocateBatch", "batch: get 1000, free 1000"),
                                  ("allocatePairs", "pairs: get, free, 1000 times")):
        for threads in (1, 2):
            ours = per_block(runs["pool-glibc"].nanoseconds(f"{pattern}/library", threads))
            peers = [per_block(runs[run].nanoseconds(f"{pattern}/malloc", threads))
                     for run, _ in ALLOCATOR_RUNS]
            rows.append([pattern_text, threads, time_text(ours)] + [time_text(p) for p in peers]
                        + [ratio_text(ratio(ours, peers[0]))])
    return table(headings, rows)


def string_table(runs):
    ours = runs["pool-glibc"].nanoseconds("copyString/library")
    row = [time_text(ours)] + [time_text(runs[run].nanoseconds("copyString/std::string"))
                               for run, _ in ALLOCATOR_RUNS]
    headings = ["EncodedString (pool)"] + [f"std::string ({heading})"
                                           for _, heading in ALLOCATOR_RUNS]
    return table(headings, [row])


def conversion_table(unicode, direction):
    headings = ["Input"] + [text for _, text in CONVERTERS] + ["library ÷ iconv",
                                                             "library ÷ locale"]
    rows = []
    for name, input_text in CONVERSION_INPUTS:
        times = {key: unicode.nanoseconds(f"{direction}/{name}/{key}") for key, _ in CONVERTERS}
        cells = [time_text(times[key]) +
                 throughput_text(unicode.bytes_per_second(f"{direction}/{name}/{key}"))
                 for key, _ in CONVERTERS]
        rows.append([input_text] + cells + [ratio_text(ratio(times["library"], times["iconv"])),
                                            ratio_text(ratio(times["library"], times["locale"]))])
    return table(headings, rows)


def compiler_table(by_compiler):
    """The library's conversion times, and their ratio to iconv, for each compiler."""
    headings = ["Conversion"] + [f"{compiler} (÷ iconv)" for compiler, _ in by_compiler]
    rows = []
    for direction, direction_text in DIRECTIONS:
        for name, input_text in CONVERSION_INPUTS:
            row = [f"{direction_text}, {input_text}"]
            for _, unicode in by_compiler:
                ours = unicode.nanoseconds(f"{direction}/{name}/library")
                iconv = unicode.nanoseconds(f"{direction}/{name}/iconv")
                row.append(f"{time_text(ours)} ({ratio_text(ratio(ours, iconv))})")
            rows.append(row)
    return table(headings, rows)


def trace_table(trace):
    rows = []
    for kind, kind_text in (("traceDisabled", "call with ERROR switched off"),
                            ("traceEnabled", "~80-character record, flushed")):
        rows.append([kind_text] + [time_text(trace.nanoseconds(f"{kind}/{target}"))
                                   for target in ("library", "spdlog")])
    rows[0].append("— (stdio has no switch)")
    rows[1].append(time_text(trace.nanoseconds("traceEnabled/fprintf")))
    return table(["Call", "library (traceError)", "spdlog", "fprintf + fflush"], rows)


def launch_floor_text(launch):
    """What the launch's own process structure costs, from this run's medians."""
    shell = launch.get("qimmaster", {}).get("median_ns")
    bare = launch.get("posix_spawn", {}).get("median_ns")
    chain = launch.get("process_chain", {}).get("median_ns")
    if None in (shell, bare, chain):
        return ""
    return (f"A launch starts three programs (qimmaster, qimshell, the debuggee) and forks "
            f"once. `launch_chain` does exactly that and nothing else, and its median is "
            f"{ratio_text(ratio(chain, bare))} a bare spawn: that much of the launch's ratio "
            f"comes with its process structure, whatever the programs do. The handshake "
            f"(queue, signals, ptrace) adds {time_text(shell - chain)} on top, "
            f"{ratio_text(ratio(shell, chain))} the structure's floor.\n")


def launch_table(launch):
    rows = []
    keys = ("median_ns", "p99_ns", "min_ns", "max_ns")
    for name, text in (("qimmaster", "qimmaster → qimshell → /bin/true"),
                       ("posix_spawn", "posix_spawn + waitpid of /bin/true"),
                       ("process_chain", "the same three programs and fork, nothing else "
                                         "(launch_chain)")):
        figures = launch.get(name, {})
        rows.append([text] + [time_text(figures.get(key)) for key in keys])
    shell = launch.get("qimmaster", {})
    for name, text in (("posix_spawn", "qimmaster ÷ posix_spawn"),
                       ("process_chain", "qimmaster ÷ launch_chain")):
        floor = launch.get(name, {})
        rows.append([text] + [ratio_text(ratio(shell.get(key), floor.get(key))) for key in keys])
    return table(["Launch", "median", "p99", "min", "max"], rows)


def timeline_table(path):
    """Median time stamp of each step that `qimmaster --timeline` reported."""
    steps = {}
    line_pattern = re.compile(r"^qimmaster: \[\s*([\d.]+) ms\] (.*)$")
    for line in path.read_text().splitlines() if path.exists() else []:
        match = line_pattern.match(line)
        if match:
            step = re.sub(r"\d+", "N", match.group(2))
            steps.setdefault(step, []).append(float(match.group(1)))
    if not steps:
        return "No timeline was recorded.\n"
    medians = [(step, statistics.median(stamps)) for step, stamps in steps.items()]
    gaps = [median - previous for (_, median), (_, previous) in
            zip(medians, [("qimmaster's start", 0.0)] + medians)]
    rows = [[step, f"{median:.2f} ms", f"{gap:+.2f} ms", len(steps[step])]
            for (step, median), gap in zip(medians, gaps)]
    longest = gaps.index(max(gaps))
    start = medians[longest - 1][0] if longest > 0 else "qimmaster's start"
    return (table(["Step (process ids and keys shown as N)", "median time since start",
                   "since the step before", "runs"], rows) +
            f"\nThe longest step is from \"{start}\" to \"{medians[longest][0]}\": "
            f"{gaps[longest]:.2f} ms of the {medians[-1][1]:.2f} ms to the last step.\n")


def allocator_table(results):
    rows = [[f"`{name}`", f"`{result.context.get('malloc', 'not recorded')}`"]
            for name, result in results]
    return table(["Benchmark run", "malloc resolved to"], rows)


class Counts:
    """Instructions per unit from the callgrind runs, by malloc and operation name."""

    def __init__(self, path):
        self.rows = []  # (malloc, name, unit, instructions per unit or None), in run order
        for line in path.read_text().splitlines() if path.exists() else []:
            allocator, name, unit, instructions, units = line.split("\t")
            per_unit = None
            if instructions and units and int(units) > 0:
                per_unit = int(instructions) / int(units)
            self.rows.append((allocator, name, unit, per_unit))

    def per_unit(self, name, allocator="glibc"):
        for row_allocator, row_name, _, per_unit in self.rows:
            if (row_allocator, row_name) == (allocator, name):
                return per_unit
        return None

    def table(self):
        """One row per workload: the library's count and each peer's."""
        workloads = {}
        for allocator, name, unit, per_unit in self.rows:
            workload, implementation = name.rsplit("/", 1)
            if implementation in ("malloc", "std::string"):  # what the allocator serves
                implementation = f"{implementation} ({allocator})"
            entry = workloads.setdefault(workload, {"unit": unit, "library": None, "peers": []})
            count = "—" if per_unit is None else f"{per_unit:,.1f}"
            if implementation == "library":
                entry["library"] = count
            else:
                entry["peers"].append(f"{implementation} {count}")
        if not workloads:
            return "No instruction counts were recorded.\n"
        rows = [[f"`{workload}`", entry["unit"], entry["library"] or "—",
                 " · ".join(entry["peers"])] for workload, entry in workloads.items()]
        return table(["Workload", "Unit", "library", "peers"], rows)


# --- The report ----------------------------------------------------------------------

def report(arguments):
    results_dir, build = Path(arguments.results), Path(arguments.build)
    runs = {run: Results(results_dir / f"{run}.json") for run, _ in ALLOCATOR_RUNS}
    unicode = Results(results_dir / "unicode.json")
    unicode_clang = Results(results_dir / "unicode-clang.json")
    trace = Results(results_dir / "trace.json")
    launch_path = results_dir / "launch.json"
    launch = {}
    if launch_path.exists():
        launch = {kind["name"]: kind for kind in json.loads(launch_path.read_text())["launches"]}
    counts = Counts(results_dir / "counts.tsv")
    goal_rows = goals(runs["pool-glibc"], unicode, trace, launch)
    met = sum(1 for goal in goal_rows if goal.met())
    build_type = runs["pool-glibc"].context.get("library_build_type", "unknown")
    load = ", ".join(f"{value:.2f}" for value in runs["pool-glibc"].context.get("load_avg", []))
    parts = [
        "# Performance\n",
        "Generated by `scripts/run-benchmarks.sh` from a fresh Release build; every figure "
        "below comes from that one run. Re-run the script to refresh this page.\n",
        f"**Machine:** {machine_line(build)}.\n",
        f"**Method:** times are the medians of {arguments.repetitions} repetitions of at "
        f"least {arguments.min_time} s each (wall-clock time per operation), interleaved in "
        "random order, in processes that started and joined a thread before any benchmark. Launches: "
        f"{arguments.launches} of each kind, alternating. Ratios are our figure divided by "
        "the peer's, measured in the same run; below 1 means we are faster. Instruction "
        "counts come from callgrind and do not depend on the machine's load. Google "
        f"Benchmark library build type: {build_type}. Load average when the timings "
        f"started: {load or 'not recorded'}. The whole script took {arguments.seconds} s.\n",
        f"## Goals ({met} of {len(goal_rows)} met)\n",
        table(["Workload", "Ours (median)", "Peer (median)", "Ratio", "Goal", "Result",
               "Instructions ratio"], [goal.row(counts) for goal in goal_rows]),
        "The last column divides our instruction count per operation by the peer's (see "
        "the callgrind section): a cross-check of the time ratio that the machine's load "
        "does not move.\n",
        "## Small blocks: the string pool against malloc\n",
        "Time per get + free of blocks of 16 to 64 bytes (a fixed pseudo-random sequence of "
        "1000 sizes, the same for every allocator). With two threads, each has its own "
        "blocks, and the time is wall-clock time divided by the blocks both handled.\n",
        allocation_table(runs),
        "## Short strings\n",
        "A string of 16 to 64 bytes built, copied, and both destroyed.\n",
        string_table(runs),
        "## UTF-8 and UTF-32\n",
        "Time per conversion call and throughput in UTF-8 bytes. The mixed text's characters "
        f"by UTF-8 length: {unicode.context.get('mixed text', 'not recorded')}. Each "
        "converter's output was checked against the expected text before it was timed.\n",
    ]
    for direction, direction_text in DIRECTIONS:
        parts += [f"### {direction_text}\n", conversion_table(unicode, direction)]
    parts += [
        "### By compiler\n",
        "The same benchmark built by g++ (the figures above) and by clang, each against "
        "iconv in its own run.\n",
        compiler_table([("g++", unicode), ("clang", unicode_clang)]),
    ]
    parts += [
        "## Trace\n",
        trace_table(trace),
        "## Launch\n",
        launch_table(launch),
        launch_floor_text(launch),
        "Where the time of a launch goes, from `qimmaster --timeline -- /bin/true`:\n",
        timeline_table(results_dir / "timeline.txt"),
        "## Allocators\n",
        "Which `malloc` each benchmark process actually called (`dladdr` of the `malloc` "
        "symbol the process resolves).\n",
        allocator_table([(f"{run}", runs[run]) for run, _ in ALLOCATOR_RUNS] +
                        [("unicode", unicode), ("trace", trace)]),
        "## Instructions per operation (callgrind)\n",
        "`operation_counts` runs each operation a fixed number of times inside one function "
        "that callgrind counts alone (after a warm-up run that is not counted). `locale` is "
        "mbstowcs / wcstombs in C.UTF-8; `fprintf` is fprintf + fflush.\n",
        counts.table(),
    ]
    return "\n".join(parts)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("results")
    parser.add_argument("build")
    parser.add_argument("--repetitions", required=True)
    parser.add_argument("--min-time", required=True)
    parser.add_argument("--launches", required=True)
    parser.add_argument("--seconds", required=True)
    print(report(parser.parse_args()), end="")


if __name__ == "__main__":
    main()
