#!/usr/bin/env bash
# Shows that a test program that faults under Wine after a thread has run
# fails its checked run (checked_run.sh), whatever status Wine ends it with:
# run alone, its exit status is printed; checked, it must fail, and fail
# still when Wine's reports of the fault are taken out of its output, on
# the GoogleTest summary alone; its thread's test alone must pass.
# Usage: check_crash_verdict.sh WINE PROGRAM
set -uo pipefail
wine=$1
program=$2
checked=$(cd "$(dirname "$0")" && pwd)/checked_run.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$wine" "$program" >"$work/alone.log" 2>&1
status=$?
echo "run alone: exit status $status, $(grep -c '^\[       OK \]' "$work/alone.log") test(s) passed" \
  "before the fault; Wine's report: $(grep -m 1 -E '^(Unhandled exception|wine: Unhandled)' \
    "$work/alone.log" | tr -d '\r' || echo none)"

# judge NAME EXPECTED(pass|fail) COMMAND...: a checked run's verdict.
judge() {
  local name=$1 expected=$2 verdict=pass
  shift 2
  bash "$checked" gtest "$@" >"$work/$name.log" 2>&1 || verdict=fail
  echo "$name: $verdict; $(grep -E '^(CHECKED RUN FAILED|checked run):' "$work/$name.log" | paste -sd';')"
  [[ $verdict == "$expected" ]] || fail "$name: the checked run's verdict is $verdict, not $expected"
}
judge checked fail "$wine" "$program"
# Wine's reports taken out, and the status made 0: the summary alone tells.
judge summary-alone fail bash -c '"$@" 2>&1 | grep -v -E "^(Unhandled exception|wine: Unhandled)"' \
  strip "$wine" "$program"
grep -q 'complete GoogleTest summaries' "$work/summary-alone.log" ||
  fail "summary-alone: not failed on the missing summary"
judge thread-alone pass "$wine" "$program" --gtest_filter=ThreadThenFault.StartsAndJoinsAThread
echo "crash verdict checks done, $failures failed"
[[ $failures -eq 0 ]]
