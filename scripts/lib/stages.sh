# Shared by scripts/test.sh (sourced): runs the test command's stages, each
# in the foreground or beside the others, times each one, and prints the
# table of them at the end. A stage is a command; it passes when it exits 0.
# Each stage's output is kept in build/test-stages/<name>.log; a stage run
# beside the others prints its log when it is waited for, so that no two
# stages' lines mix on the terminal.

stage_logs=$PWD/build/test-stages
rm -rf "$stage_logs"
mkdir -p "$stage_logs"
stage_clock=$EPOCHREALTIME
stage_names=()
declare -A stage_begin stage_result stage_pid

_stage_file() { echo "$stage_logs/${1// /-}"; }

# Seconds from the first stage to the time given (default now), rounded.
_stage_seconds() {
  awk -v from="$stage_clock" -v to="${1:-$EPOCHREALTIME}" 'BEGIN { printf "%.0f", to - from }'
}

# Runs the command in a subshell that stops at its first failing step, and
# notes when it ended and the processor time it and its children used.
_stage_body() {
  local file
  file=$(_stage_file "$1")
  shift
  (
    set -e
    trap 'echo "$EPOCHREALTIME" >"'"$file"'.end"; times >"'"$file"'.times"' EXIT
    "$@"
  )
}

_stage_begin() {
  stage_names+=("$1")
  stage_begin[$1]=$EPOCHREALTIME
}

_stage_end() {
  local name=$1 status=$2
  if [[ $status -eq 0 ]]; then
    stage_result[$name]=passed
  else
    stage_result[$name]="FAILED (exit status $status)"
    echo "=== $name FAILED (exit status $status); its log: $(_stage_file "$name").log ==="
  fi
}

# run_stage NAME COMMAND...: runs the stage now, its output on the terminal
# (after the logs of the stages beside it that have ended meanwhile).
run_stage() {
  local name=$1
  shift
  finish_ended_stages
  _stage_begin "$name"
  echo "=== $name ==="
  _stage_body "$name" "$@" 2>&1 | tee "$(_stage_file "$name").log"
  _stage_end "$name" "${PIPESTATUS[0]}"
}

# start_stage NAME COMMAND...: starts the stage beside the others.
start_stage() {
  local name=$1
  shift
  _stage_begin "$name"
  echo "=== $name: started beside the others ==="
  _stage_body "$name" "$@" >"$(_stage_file "$name").log" 2>&1 &
  stage_pid[$name]=$!
}

# finish_stage NAME: waits for a stage started beside the others and prints its log.
finish_stage() {
  local name=$1 status=0
  wait "${stage_pid[$name]}" || status=$?
  echo "=== $name (ran beside the others) ==="
  cat "$(_stage_file "$name").log"
  _stage_end "$name" "$status"
}

# finish_ended_stages [all]: finishes the stages started beside the others
# that have ended (with "all", every one, waiting for those still running).
finish_ended_stages() {
  local name
  for name in "${!stage_pid[@]}"; do
    if [[ ${1:-} == all ]] || ! kill -0 "${stage_pid[$name]}" 2>/dev/null; then
      finish_stage "$name"
      unset "stage_pid[$name]"
    fi
  done
}

# skip_stage NAME REASON: a stage that cannot run, in the table with why.
skip_stage() {
  _stage_begin "$1"
  stage_result[$1]="skipped: $2"
  echo "=== $1 skipped: $2 ==="
}

# passed NAME...: true when every stage named passed.
passed() {
  local name
  for name in "$@"; do
    [[ ${stage_result[$name]:-} == passed ]] || return 1
  done
}

# needs STAGE... -- run_stage|start_stage NAME COMMAND...: the stage when
# every stage it needs passed, else skipped, naming those that did not.
needs() {
  local required=() name
  while [[ $1 != -- ]]; do
    required+=("$1")
    shift
  done
  shift
  local missing=()
  for name in "${required[@]}"; do passed "$name" || missing+=("$name"); done
  if [[ ${#missing[@]} -gt 0 ]]; then
    skip_stage "$2" "${missing[*]} did not pass"
    return 0
  fi
  "$@"
}

# m:ss from a number of seconds.
_stage_clock_text() { printf '%d:%02d' $(($1 / 60)) $(($1 % 60)); }

# The processor time a stage used, from the times builtin: user and system
# time of the stage's shell and of its children, as 1m2.345s.
_stage_cpu() {
  local file
  file=$(_stage_file "$1").times
  [[ -s $file ]] || { echo "-"; return; }
  _stage_clock_text "$(awk '{ for (i = 1; i <= NF; ++i) { split($i, p, "m"); s += p[1] * 60 + p[2] } }
    END { printf "%.0f", s }' "$file")"
}

# Prints the table of the stages: when each began, its wall time and
# processor time (m:ss), and its result; returns 1 when any did not pass.
print_stage_table() {
  local name begin wall failed=() total
  total=$(_stage_seconds)
  echo
  printf '%-28s %7s %7s %7s  %s\n' stage began wall cpu result
  for name in "${stage_names[@]}"; do
    begin=$(_stage_seconds "${stage_begin[$name]}")
    wall=0
    [[ -s $(_stage_file "$name").end ]] && wall=$(awk -v from="${stage_begin[$name]}" \
      -v to="$(cat "$(_stage_file "$name").end")" 'BEGIN { printf "%.0f", to - from }')
    printf '%-28s %7s %7s %7s  %s\n' "$name" "$(_stage_clock_text "$begin")" \
      "$(_stage_clock_text "$wall")" "$(_stage_cpu "$name")" "${stage_result[$name]}"
    [[ ${stage_result[$name]} == passed ]] || failed+=("$name")
  done
  printf '%-28s %7s %7s\n' "the whole test command" "" "$(_stage_clock_text "$total")"
  if [[ ${#failed[@]} -gt 0 ]]; then
    echo "Did not pass: ${failed[*]}"
    return 1
  fi
  echo "All test runs passed."
}
