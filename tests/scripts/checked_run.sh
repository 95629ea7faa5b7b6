#!/usr/bin/env bash
# Runs one test and judges it by what it printed as well as by its exit
# status. Under Wine a program that faults once it has started threads can
# end with status 0, so a status of 0 alone proves nothing there; every test
# of the Windows builds, and every script test, runs through this.
#
# Usage: checked_run.sh gtest WINE PROGRAM [ARGUMENTS...]
#        checked_run.sh last-line PATTERN COMMAND...
#        checked_run.sh status COMMAND...
#
# gtest: PROGRAM, a GoogleTest program, is listed (--gtest_list_tests with
#   the same arguments) and then run; each iteration (--gtest_repeat) must
#   print its summary, run as many tests as were listed and pass every one
#   it did not skip.
# last-line: the output's last line must match PATTERN (an extended regular
#   expression), the line a script or program prints when it is done.
# status: the exit status alone, for a command that prints nothing (wineboot).
# Each fails on a status other than 0, and on Wine's report of an unhandled
# exception anywhere in the output (winedbg's on standard output, Wine's own
# on standard error; either may be missing, the summary never is).
set -uo pipefail
mode=${1:-}
case $mode in
  gtest) [[ $# -ge 3 ]] || mode="" ;;
  last-line) [[ $# -ge 3 ]] && pattern=$2 && shift ;;
  status) [[ $# -ge 2 ]] || mode="" ;;
  *) mode="" ;;
esac
if [[ -z $mode ]]; then
  echo "usage: checked_run.sh gtest WINE PROGRAM [ARGUMENTS...]" >&2
  echo "       checked_run.sh last-line PATTERN COMMAND..." >&2
  echo "       checked_run.sh status COMMAND..." >&2
  exit 2
fi
shift
# Kept in /tmp, not $TMPDIR: a test may point that at a folder it makes itself.
output=$(mktemp -p /tmp checked_run.XXXXXX)
trap 'rm -f "$output"' EXIT
failures=()

listed=""
if [[ $mode == gtest ]]; then
  # Test names are indented under their suite's; the listing runs no test.
  listed=$("$@" --gtest_list_tests 2>&1 | tr -d '\r' | grep -c '^  [^ ]') ||
    failures+=("the program listed no tests")
fi

"$@" 2>&1 | tr -d '\r' | tee "$output"
status=${PIPESTATUS[0]}
[[ $status -eq 0 ]] || failures+=("exit status $status")

crash=$(grep -m 3 -E '^(Unhandled exception: |wine: Unhandled )' "$output")
[[ -z $crash ]] || failures+=("Wine reported an unhandled exception: $crash")

case $mode in
  gtest)
    repeat=1
    for argument in "$@"; do
      [[ $argument == --gtest_repeat=* ]] && repeat=${argument#--gtest_repeat=}
    done
    # One summary per iteration: "[==========] N tests from M test suites
    # ran.", "[  PASSED  ] P tests." and, when some skipped, "[  SKIPPED ] S".
    summaries=$(awk '
      /^\[==========\] [0-9]+ tests? from [0-9]+ test suites? ran\./ { if (ran != "") print ran, passed, skipped; ran = $2; passed = -1; skipped = 0 }
      /^\[  PASSED  \] [0-9]+ tests?\./ { passed = $4 }
      /^\[  SKIPPED \] [0-9]+ tests?,/ { skipped = $4 }
      END { if (ran != "") print ran, passed, skipped }' "$output")
    count=0
    while read -r ran passed skipped; do
      count=$((count + 1))
      [[ $ran == "$listed" ]] || failures+=("iteration $count ran $ran tests of the $listed listed")
      if [[ $passed -lt 0 ]]; then
        failures+=("iteration $count printed no PASSED line")
      elif [[ $((passed + skipped)) -ne $ran ]]; then
        failures+=("iteration $count passed $passed and skipped $skipped of its $ran tests")
      fi
    done < <([[ -n $summaries ]] && echo "$summaries")
    [[ $count -eq $repeat ]] ||
      failures+=("$count complete GoogleTest summaries, expected $repeat (one per iteration)")
    verdict="$repeat iteration(s) of the $listed tests listed, each summed up and passed"
    ;;
  last-line)
    last=$(grep -v '^[[:space:]]*$' "$output" | tail -n 1)
    [[ $last =~ $pattern ]] || failures+=("the last line '$last' is not /$pattern/")
    verdict="ended with '$last'"
    ;;
  status) verdict="exit status 0" ;;
esac

if [[ ${#failures[@]} -gt 0 ]]; then
  printf 'CHECKED RUN FAILED: %s\n' "${failures[@]}"
  exit 1
fi
echo "checked run: $verdict, no unhandled exception"
