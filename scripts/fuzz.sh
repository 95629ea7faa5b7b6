#!/usr/bin/env bash
# Builds the fuzz targets (fuzz preset, clang) and runs each for a bounded
# time, default 60 s, from the seed corpora with the dictionary of Netpbm
# magics and tokens; any finding fails the run.
# Usage: scripts/fuzz.sh [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
cmake --preset fuzz
cmake --build --preset fuzz

work=build/fuzz/runs
rm -rf "$work"
failed=0
total=0
for target in identify netpbm_reader pbm_open wic_decode; do
  mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
  echo "=== fuzzing $target for ${seconds} s ==="
  # New inputs go to the run's own corpus; the seeds in the tree stay as they are.
  if ! "build/fuzz/bin/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -max_len=8192 -dict=fuzz/netpbm.dict -print_final_stats=1 \
      -artifact_prefix="$work/$target/artifacts/" \
      "$work/$target/corpus" "fuzz/corpus/$target" >"$work/$target/log" 2>&1; then
    tail -n 60 "$work/$target/log"
    echo "FINDING in $target: see $work/$target/artifacts/"
    failed=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target/log" | tail -n 1)
  echo "$target: ${runs:-0} executions"
  total=$((total + ${runs:-0}))
done
echo "fuzzing: $total executions in all"
exit "$failed"
