#!/usr/bin/env bash
# Runs .clusterfuzzlite/build.sh here as ClusterFuzzLite runs it for
# libFuzzer with AddressSanitizer (the same variables, the checkout under
# $SRC, a fresh $OUT), then checks that $OUT holds every fuzz target with its
# seed corpus, dictionary and options, and replays each target over its
# unzipped seeds; a target missing, a file missing or a finding fails.
# Usage: scripts/check_clusterfuzzlite.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/tools.sh
require_tools clang clang++ cmake ninja zip unzip

work=$PWD/build/clusterfuzzlite-check
out=$work/out
rm -rf "$work"
mkdir -p "$out"
flags="-O1 -fno-omit-frame-pointer -gline-tables-only -fsanitize=address"
flags+=" -fsanitize-address-use-after-scope -fsanitize=fuzzer-no-link"
if ! env CC=clang CXX=clang++ CFLAGS="$flags" CXXFLAGS="$flags" \
    LIB_FUZZING_ENGINE=-fsanitize=fuzzer SRC="$(dirname "$PWD")" OUT="$out" \
    bash -eu .clusterfuzzlite/build.sh >"$work/build.log" 2>&1; then
  tail -n 40 "$work/build.log"
  echo "FAIL: .clusterfuzzlite/build.sh did not build"
  exit 1
fi
ls -l "$out"

failed=0
for source in fuzz/*_fuzzer.cpp; do
  fuzzer=${source#fuzz/}
  fuzzer=${fuzzer%.cpp}
  name=${fuzzer%_fuzzer}
  for file in "$fuzzer" "$fuzzer.dict" "$fuzzer.options" "${fuzzer}_seed_corpus.zip"; do
    if [[ ! -s $out/$file ]]; then
      echo "FAIL: build.sh left no $file in \$OUT"
      failed=1
    fi
  done
  [[ -s $out/${fuzzer}_seed_corpus.zip ]] || continue
  seeds=$work/seeds/$name
  mkdir -p "$seeds"
  unzip -q "$out/${fuzzer}_seed_corpus.zip" -d "$seeds"
  count=$(find "$seeds" -type f | wc -l)
  if [[ $count -ne $(find "fuzz/corpus/$name" -type f | wc -l) ]]; then
    echo "FAIL: ${fuzzer}_seed_corpus.zip holds $count files, fuzz/corpus/$name/ others"
    failed=1
  fi
  # libFuzzer given files runs each once (a replay, as the engine does for a
  # crash it reports); the seconds are the whole process's.
  start=$EPOCHREALTIME
  if ! find "$seeds" -type f -print0 | sort -z |
    xargs -0 "$out/$fuzzer" -rss_limit_mb=2048 -timeout=10 >"$work/$name.log" 2>&1; then
    tail -n 40 "$work/$name.log"
    echo "FINDING: $fuzzer failed on one of its seeds (see $work/$name.log)"
    failed=1
  fi
  seconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }')
  executed=$(grep -c '^Executed ' "$work/$name.log" || true)
  if [[ $executed -ne $count ]]; then
    echo "FAIL: $fuzzer ran $executed of its $count seeds"
    failed=1
  fi
  echo "$fuzzer: $count seeds replayed in $seconds s"
done
[[ $failed -eq 0 ]] && echo "every fuzz target builds for ClusterFuzzLite and passes its seeds"
exit "$failed"
