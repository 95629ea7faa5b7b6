#!/usr/bin/env bash
# Runs the native-release build on processors older than this machine's,
# emulated by qemu-x86_64 -cpu MODEL: qemu64 (SSE2 and SSE3, no SSSE3),
# core2duo (SSSE3, no AVX) and SandyBridge (AVX, no AVX2). On each: the
# reference-image tests at every level (printing the level the scanners
# chose), the differential fuzz target's corpus, and the fuzz corpus
# through PBMOpen, whose lines must equal this machine's. A level chosen
# from a wrong bit runs an instruction the model lacks, and qemu stops it.
# Usage: scripts/check_processor_models.sh (after the native-release preset is built)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/tools.sh
require_tools qemu-x86_64
# The models are x86-64 ones: elsewhere the native build is no x86 program.
if [[ $(uname -m) != x86_64 ]]; then
  echo "NOTE: the native build is not for x86-64 here: no processor models to emulate."
  exit 0
fi

build=$PWD/build/native-release/bin
work=$PWD/build/processor-models
rm -rf "$work"
mkdir -p "$work"
bash tests/scripts/make_reference_images.sh "$work/netpbm_reference" >/dev/null
echo "$(wc -l <"$work/netpbm_reference/manifest.txt") reference images," \
  "$(find fuzz/corpus/netpbm_levels -type f | wc -l) differential corpus files"

# The corpus on this machine, for the lines to compare with.
"$build/fuzz_corpus_replay" "$work/replay-native" fuzz/corpus >"$work/native.lines"

failed=0
for model in qemu64 core2duo SandyBridge; do
  run=(qemu-x86_64 -cpu "$model")
  log=$work/$model
  # The reference directory is found relative to the working directory.
  if ! (cd "$work" && "${run[@]}" "$build/netpbm_reference_tests" --gtest_repeat=3 \
    >"$log.reference" 2>&1); then
    echo "FAIL: $model: the reference-image tests failed"
    tail -n 20 "$log.reference"
    failed=1
  fi
  levels=$(sed -n 's/^Scanners at level \([^ ]*\) .*/\1/p' "$log.reference" | paste -sd,)
  processor=$(sed -n 's/.*(the processor has \([^)]*\)).*/\1/p' "$log.reference" | head -n 1)
  passed=$(grep -c '^\[  PASSED  \]' "$log.reference" || true)
  if ! "${run[@]}" "$build/netpbm_levels_replay" fuzz/corpus/netpbm_levels >"$log.levels" 2>&1; then
    echo "FAIL: $model: the differential corpus found a difference"
    tail -n 5 "$log.levels"
    failed=1
  fi
  if ! "${run[@]}" "$build/fuzz_corpus_replay" "$work/replay-$model" fuzz/corpus \
    >"$log.lines" 2>"$log.replay-errors"; then
    echo "FAIL: $model: the corpus replay did not finish cleanly"
    tail -n 5 "$log.replay-errors"
    failed=1
  fi
  same=yes
  if ! diff "$work/native.lines" "$log.lines" >"$log.diff"; then
    echo "FAIL: $model: the corpus replay's lines differ from this machine's:"
    head -n 10 "$log.diff"
    same=no
    failed=1
  fi
  echo "$model: processor level ${processor:-?}, iterations at ${levels:-?};" \
    "reference images alike in $passed of 3 iterations;" \
    "$(sed -n 's/^replayed \([0-9]*\) inputs/\1/p' "$log.levels") differential files alike;" \
    "$(wc -l <"$log.lines") corpus files replayed, same as this machine's: $same"
done
[[ $failed -eq 0 ]] && echo "every processor model passed"
exit "$failed"
