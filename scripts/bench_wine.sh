#!/usr/bin/env bash
# Times the 32-bit DLL under Wine against the floor written in Win32 calls,
# both in one Windows program, and prints the table of medians. Wine's
# timings are rough: read the ratios, not the times.
# Usage: bash scripts/bench_wine.sh [quentarpbm_bench options, e.g. --runs 3]
# The images are made in build/bench-images (shared with scripts/bench.sh)
# and deleted at the end unless KEEP_BENCH_IMAGES=1.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build/bench-mingw32 -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/i686-w64-mingw32.cmake \
  -DCMAKE_BUILD_TYPE=Release -DQUENTARPBM_BENCH=ON -DQUENTARPBM_TESTS=OFF >/dev/null
cmake --build build/bench-mingw32 --target quentarpbm_bench quentarpbm

images=build/bench-images
mkdir -p "$images"
[[ "${KEEP_BENCH_IMAGES:-0}" == 1 ]] || trap 'rm -rf "$images"' EXIT
source build/bench-mingw32/wine_env.sh
"$wine" wineboot --init >/dev/null 2>&1
status=0
"$wine" build/bench-mingw32/bin/quentarpbm_bench.exe --dir "Z:$PWD/$images" "$@" || status=$?
wineserver -k || true
exit "$status"
