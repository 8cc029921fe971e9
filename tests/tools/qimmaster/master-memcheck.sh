#!/usr/bin/env bash
# Runs whole launches through qimmaster under valgrind's memcheck and fails on any memory
# error or definite leak in qimmaster, the shell's parent or the shell's child (up to its
# exec; the debuggee itself is not checked). qimmaster takes control of the shell's child
# with ptrace while valgrind runs it, which works: valgrind does not trace its programs with
# ptrace itself. Two launches: one whose debuggee runs (the child execs it), one whose
# debuggee cannot be executed (the child reports message 274 and exits 99, so its leaks
# are checked too). Every process traces into a directory, so that the trace and the
# settings table are checked as well. What is still reachable at each end (the
# process-wide objects) is recorded in <work>/memcheck-summary.txt and printed.
#
# Under valgrind a SIGFPE sent while the program blocks it can be lost, so the library
# <unheld start signal> is preloaded: it keeps SIGFPE out of every blocked set (see
# UnheldStartSignal.cpp).
#
#   master-memcheck.sh <qimmaster> <unheld start signal library> <work directory>
#
# Exits 77, which CTest reports as skipped, when valgrind is not installed.
set -uo pipefail

master=$1
unheld=$2
work=$3

if ! valgrind=$(command -v valgrind); then
    echo "valgrind is not installed (Debian package valgrind): nothing checked"
    exit 77
fi

rm -rf "$work"
mkdir -p "$work"
summary="$work/memcheck-summary.txt"
: >"$summary"
failures=0

fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# The figure "<bytes> bytes in <blocks> blocks" that follows `kind` in a log; 0 and 0 when
# the log says that every block was freed.
leak_figure() {
    local log=$1 kind=$2 figure
    figure=$(sed -n "s/^==[0-9]*== *$kind: \\([0-9,]* bytes in [0-9,]* blocks\\).*/\\1/p" "$log")
    echo "${figure:-0 bytes in 0 blocks}"
}

# One line per still-reachable loss record: its size and the first frame of its stack
# that is not an allocation function, the library's containers or glibc's stdio.
reachable_records() {
    awk '
        / are still reachable in loss record / {
            sub(/^==[0-9]+== /, ""); sub(/ are still reachable.*/, ""); size = $0; want = 1; next
        }
        want && /^==[0-9]+== +(at|by) 0x/ {
            frame = $0
            sub(/^==[0-9]+== +(at|by) 0x[0-9A-F]+: /, "", frame)
            if (frame ~ /^(malloc|calloc|realloc|operator new|strdup|(void )?std::|__gnu_cxx::|_IO_)/)
                next
            sub(/ \(in [^)]*\)$/, "", frame)
            printf "    %-24s %s\n", size, frame
            want = 0
        }
    ' "$1"
}

# Checks one process's log; `name` says which launch it belongs to.
check_log() {
    local log=$1 name=$2 command program errors
    command=$(sed -n 's/^==[0-9]*== Command: \([^ ]*\).*/\1/p' "$log" | head -n 1)
    program=$(basename "$command")
    if [ "$program" != qimmaster ] && [ "$program" != qimshell ]; then
        fail "$name: a process other than qimmaster and qimshell was checked: $command"
        return
    fi
    if ! grep -q 'ERROR SUMMARY:' "$log"; then
        # The shell's child that became the debuggee: it never ended under valgrind, so
        # any error would stand in its log between the preamble lines.
        if grep -q -v -E '^==[0-9]+== (Memcheck, a memory error detector|Copyright |Using Valgrind|Command: |Parent PID: |$)' "$log"; then
            fail "$name: $program (pid ${log##*.memcheck.}) reported before its exec:"
            cat "$log"
        fi
        echo "$name: $program (pid ${log##*.memcheck.}) execed the debuggee: no error reported before" >>"$summary"
        return
    fi
    errors=$(sed -n 's/^==[0-9]*== ERROR SUMMARY: \([0-9,]*\) errors.*/\1/p' "$log")
    {
        echo "$name: $program (pid ${log##*.memcheck.}): errors $errors;" \
            "definitely lost $(leak_figure "$log" 'definitely lost');" \
            "indirectly lost $(leak_figure "$log" 'indirectly lost');" \
            "possibly lost $(leak_figure "$log" 'possibly lost');" \
            "still reachable $(leak_figure "$log" 'still reachable')"
        reachable_records "$log"
    } >>"$summary"
    if [ "$errors" != 0 ]; then
        fail "$name: $program reported $errors errors:"
        cat "$log"
    fi
}

# launch <name> <expected status of qimmaster> <number of complete logs> <program> [args...]
launch() {
    local name=$1 expected=$2 complete=$3 program=$4 status logs
    shift 3
    mkdir -p "$work/$name/traces"
    env -i PATH=/usr/bin:/bin "QIM_DBG_TRACE=$work/$name/traces,vek" "LD_PRELOAD=$unheld" \
        "$valgrind" --tool=memcheck --error-exitcode=97 --leak-check=full \
        --errors-for-leak-kinds=definite --show-leak-kinds=all --num-callers=40 \
        --trace-children=yes "--trace-children-skip=$program" \
        "--log-file=$work/$name/run.memcheck.%p" \
        "$master" --timeline --timeout 60 -- "$@" >"$work/$name/stdout" 2>"$work/$name/stderr"
    status=$?
    if [ "$status" != "$expected" ]; then
        fail "$name: qimmaster ended with $status, not $expected (97: an error in qimmaster)"
        cat "$work/$name/stderr"
    fi
    logs=("$work/$name"/run.memcheck.*)
    if [ "${#logs[@]}" != 3 ]; then
        fail "$name: ${#logs[@]} processes checked instead of qimmaster and the shell's two"
    fi
    if [ "$(grep -l 'ERROR SUMMARY:' "${logs[@]}" | wc -l)" != "$complete" ]; then
        fail "$name: not $complete processes ended under valgrind with a summary"
    fi
    for log in "${logs[@]}"; do
        check_log "$log" "$name"
    done
}

launch runs 0 2 /bin/true
launch exec-fails 127 3 /no/such/program

cat "$summary"
if [ "$failures" != 0 ]; then
    echo "$failures failures; the logs are in $work"
    exit 1
fi
