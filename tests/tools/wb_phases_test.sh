#!/usr/bin/env bash
# The front door's phases: a phase that works shows one line with its time and nothing of
# its output; one that fails shows the end of its log, the log's path and its exit code;
# a summary phase shows its summary either way.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
fails=0
check() {  # what, command...
    local what="$1"; shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fails=$((fails + 1)); fi
}

phase() {  # runs run_phase in a shell of its own (it exits on failure); prints its output
    WB_OUT="$WORK/out" bash -c '. "$1"; shift; run_phase "$@"' wb "$ROOT/wb" "$@" \
        >"$WORK/shown" 2>&1
    echo $? >"$WORK/code"
}

noisy_ok() { for i in $(seq 200); do echo "compiler line $i"; done; }
noisy_fail() { for i in $(seq 200); do echo "compiler line $i"; done; echo "the real error"; return 7; }
tests_fail() { echo "  1/2 Test  #1: a ... Passed"; echo "50% tests passed, 1 tests failed out of 2";
               echo "The following tests FAILED:"; echo "  2 - b (Failed)"; return 8; }
export -f noisy_ok noisy_fail tests_fail

phase build noisy_ok
check "a working phase exits 0" [ "$(cat "$WORK/code")" = 0 ]
check "a working phase is one line with its time" \
    grep -qxE 'wb: build +done in [0-9]+s' "$WORK/shown"
check "a working phase shows nothing of its output" [ "$(wc -l <"$WORK/shown")" = 1 ]
check "the output is kept in the phase's log" grep -qx 'compiler line 200' "$WORK/out/logs/build.log"

phase build noisy_fail
check "a failed phase keeps its exit code" [ "$(cat "$WORK/code")" = 7 ]
check "a failed phase says so with its log" \
    grep -qE "wb: build +FAILED after [0-9]+s \(exit code 7\); the end of $WORK/out/logs/build.log" "$WORK/shown"
check "a failed phase shows the end of its log" grep -qx '    the real error' "$WORK/shown"
check "but not all of it" bash -c "! grep -q 'compiler line 1\$' '$WORK/shown'"

phase --summary 'tests passed' tests tests_fail
check "a failed test phase keeps its exit code" [ "$(cat "$WORK/code")" = 8 ]
check "a test phase shows ctest's closing line as it is" \
    grep -qx '50% tests passed, 1 tests failed out of 2' "$WORK/shown"
check "and the failed tests by name" grep -qx '  2 - b (Failed)' "$WORK/shown"
check "but not the tests' own output" bash -c "! grep -q 'Test  #1' '$WORK/shown'"

[ "$fails" -eq 0 ]
