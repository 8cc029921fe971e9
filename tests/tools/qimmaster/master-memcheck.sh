#!/usr/bin/env bash
# Runs whole launches through qimmaster under valgrind's memcheck and fails on any memory
# error or definite leak in qimmaster, the shell's parent or the shell's child (up to its
# exec; the debuggee itself is not checked). qimmaster takes control of the shell's child
# with ptrace while valgrind runs it, which works: valgrind does not trace its programs with
# ptrace itself. Two launches: one whose debuggee runs (the child execs it), one whose
# debuggee cannot be executed (the child reports message 274 and exits 99, so its leaks
# are checked too). Every process traces into a directory, so that the trace and the
# settings table are checked as well. Each process's leak summary is printed.
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
failures=0

fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# launch <name> <expected status of qimmaster> <number of processes that end under
# valgrind> <program> [args...]
launch() {
    local name=$1 expected=$2 complete=$3 status log program
    shift 3
    mkdir -p "$work/$name/traces"
    env -i PATH=/usr/bin:/bin "QIM_DBG_TRACE=$work/$name/traces,vek" "LD_PRELOAD=$unheld" \
        "$valgrind" --tool=memcheck --error-exitcode=97 --leak-check=full \
        --errors-for-leak-kinds=definite --show-leak-kinds=all --num-callers=40 \
        --trace-children=yes "--trace-children-skip=$1" "--log-file=$work/$name/run.memcheck.%p" \
        "$master" --timeline --timeout 60 -- "$@" >"$work/$name/stdout" 2>"$work/$name/stderr"
    status=$?
    if [ "$status" != "$expected" ]; then
        fail "$name: qimmaster ended with $status, not $expected (97: an error in qimmaster)"
        cat "$work/$name/stderr"
    fi
    local logs=("$work/$name"/run.memcheck.*)
    [ "${#logs[@]}" = 3 ] || fail "$name: ${#logs[@]} processes checked, not qimmaster and the shell's two"
    [ "$(grep -l 'ERROR SUMMARY:' "${logs[@]}" | wc -l)" = "$complete" ] ||
        fail "$name: not $complete processes ended under valgrind with a summary"
    for log in "${logs[@]}"; do
        program=$(sed -n 's/^==[0-9]*== Command: \([^ ]*\).*/\1/p' "$log" | head -n 1)
        program=${program##*/}
        [ "$program" = qimmaster ] || [ "$program" = qimshell ] ||
            fail "$name: a process other than qimmaster and qimshell was checked: $program"
        if ! grep -q 'ERROR SUMMARY:' "$log"; then
            # The shell's child that became the debuggee: any error it had before its exec
            # would stand in its log between the preamble lines.
            if grep -q -v -E '^==[0-9]+== (Memcheck, a memory error detector|Copyright |Using Valgrind|Command: |Parent PID: |$)' "$log"; then
                fail "$name: $program (pid ${log##*.}) reported before its exec:"
                cat "$log"
            fi
            echo "$name: $program (pid ${log##*.}) execed the debuggee"
            continue
        fi
        echo "$name: $program (pid ${log##*.}):" \
            "$(sed -n 's/^==[0-9]*== *\(ERROR SUMMARY: [0-9,]* errors\).*/\1/p' "$log");" \
            "$(sed -n 's/^==[0-9]*== *\(definitely lost: .*\)/\1/p' "$log")"
        if ! grep -q 'ERROR SUMMARY: 0 errors' "$log"; then
            fail "$name: $program reported errors:"
            cat "$log"
        fi
    done
}

launch runs 0 2 /bin/true
launch exec-fails 127 3 /no/such/program

if [ "$failures" != 0 ]; then
    echo "$failures failures; the logs are in $work"
    exit 1
fi
