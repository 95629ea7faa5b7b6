#!/usr/bin/env bash
# Times the 32-bit DLL under Wine against the floors written in Win32 calls,
# all in one Windows program, and prints the table of medians. Wine's
# timings are rough: read the ratios, not the times.
# Usage: bash scripts/bench_wine.sh [quentarpbm_bench options, e.g. --runs 3]
# The images are made in build/bench-images (shared with scripts/bench.sh)
# and deleted at the end unless KEEP_BENCH_IMAGES=1.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
source scripts/lib/tools.sh
# The 32-bit DLL, or the 64-bit one where 32-bit Windows programs cannot run.
target=i686-w64-mingw32
if ! runs_32bit_programs; then
  note_why_no_32bit_programs
  echo "NOTE: timing the 64-bit DLL."
  target=x86_64-w64-mingw32
fi
build=build/bench-$target
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$target.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQUENTARPBM_BENCH=ON -DQUENTARPBM_TESTS=OFF >/dev/null
cmake --build "$build" --target quentarpbm_bench quentarpbm

images=build/bench-images
mkdir -p "$images"
[[ "${KEEP_BENCH_IMAGES:-0}" == 1 ]] || trap 'rm -rf "$images"' EXIT
source "$build/wine_env.sh"
"$wine" wineboot --init >/dev/null 2>&1
status=0
"$wine" "$build/bin/quentarpbm_bench.exe" --dir "Z:$PWD/$images" "$@" || status=$?
wineserver -k || true
exit "$status"
