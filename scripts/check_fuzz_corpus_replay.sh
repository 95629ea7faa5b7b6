#!/usr/bin/env bash
# Replays the whole fuzz corpus (fuzz/corpus/<target>/) through the native
# library and through the 64- and 32-bit DLLs under Wine (the 32-bit one only
# where 32-bit programs run), each build in one process, and fails where any
# file's result code, progress calls, header block or pixel file differs
# from the native library's, or where a build leaves anything behind.
# Usage: scripts/check_fuzz_corpus_replay.sh (after the native-release,
# mingw64 and mingw32 presets are built)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/tools.sh

work=build/fuzz-corpus-replay
rm -rf "$work"
mkdir -p "$work"
builds=(native-release mingw64)
if runs_32bit_programs; then
  builds+=(mingw32)
else
  note_why_no_32bit_programs
  echo "NOTE: the 32-bit DLL is not replayed."
fi

failed=0
for build in "${builds[@]}"; do
  program=build/$build/bin/fuzz_corpus_replay
  # Windows programs end their lines with CR LF; the lines compared do not.
  if ! (if [[ $build == mingw* ]]; then
    source "build/$build/wine_env.sh"
    "$wine" "$program.exe" "$work/$build" fuzz/corpus
  else
    "$program" "$work/$build" fuzz/corpus
  fi) | tr -d '\r' >"$work/$build.lines"; then
    echo "FAIL: $build did not replay the corpus cleanly"
    failed=1
  fi
  counts=$(cut -d/ -f1 "$work/$build.lines" | sort | uniq -c | awk '{printf " %s %s", $2, $1}')
  echo "$build: $(wc -l <"$work/$build.lines") files replayed:$counts"
done

for build in "${builds[@]:1}"; do
  if ! diff "$work/native-release.lines" "$work/$build.lines" >"$work/$build.diff"; then
    echo "FAIL: $build differs from the native library on $(grep -c '^>' "$work/$build.diff") files:"
    head -n 20 "$work/$build.diff"
    failed=1
  fi
done
[[ $failed -eq 0 ]] && echo "every build gives every file the same result"
exit "$failed"
