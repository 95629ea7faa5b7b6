#!/usr/bin/env bash
# Builds the native suite with GCC's coverage instrumentation, runs it, and
# prints the library's coverage by folder: lines, functions and branches
# (branches that only exceptions or unreachable code take left out). Fails
# below the floors the project keeps.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/tools.sh
require_tools cmake ninja g++ gcovr python3

min_lines=99.5
min_branches=90.0
min_functions=100.0

build=build/coverage
# Atomic counter updates: the concurrency tests convert on many threads. Tests
# that fork call __gcov_dump (declared weak) before _exit, so it is linked in.
flags="--coverage -fprofile-update=atomic"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUENTARPBM_WERROR=ON \
  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-Wl,--undefined=__gcov_dump" >/dev/null
cmake --build "$build"
# Notes of objects the build no longer makes (a source moved to another
# target) would be merged with the current ones and break the report.
ninja -C "$build" -t cleandead >/dev/null
find "$build" -name '*.gcno' | while read -r notes; do
  [[ -e ${notes%.gcno}.o ]] || rm -f "$notes"
done
find "$build" -name '*.gcda' -delete
(cd "$build" && ctest --output-on-failure -j "$(nproc)")

# The kernels of an instruction set this processor lacks are never chosen
# here, so no test can reach them: they are left out, and said so.
cpu_flags=" $(grep -m1 '^flags' /proc/cpuinfo | cut -d: -f2) "
excluded=()
has() { for flag in "$@"; do [[ $cpu_flags == *" $flag "* ]] || return 1; done; }
has ssse3 || excluded+=(ssse3)
has avx avx2 bmi1 popcnt || excluded+=(avx2)
exclusions=()
for level in "${excluded[@]}"; do
  echo "NOTE: this processor has no ${level^^}: its kernels are left out of the coverage."
  exclusions+=(--exclude "src/netpbm/fast/simd/.*_$level\.cpp")
done

summary="$build/coverage.json"
gcovr --root . --filter 'src/' "${exclusions[@]}" --exclude-throw-branches \
  --exclude-unreachable-branches --json-summary "$summary" "$build" >/dev/null
python3 - "$summary" "$min_lines" "$min_branches" "$min_functions" <<'PY'
import json, os, sys
files = json.load(open(sys.argv[1]))["files"]
keys = ("line", "function", "branch")
folders = {}
for entry in files:
    folder = os.path.dirname(entry["filename"])
    totals = folders.setdefault(folder, {k: [0, 0] for k in keys})
    for k in keys:
        totals[k][0] += entry[k + "_covered"]
        totals[k][1] += entry[k + "_total"]
def percent(covered, total):
    return 100.0 * covered / total if total else 100.0
def row(name, totals):
    cells = ["%6.1f%% %5d/%-5d" % (percent(*totals[k]), *totals[k]) for k in keys]
    print("%-22s %s" % (name, "  ".join(cells)))
print("%-22s %-19s  %-19s  %-19s" % ("folder", "lines", "functions", "branches"))
whole = {k: [0, 0] for k in keys}
for folder in sorted(folders):
    row(folder, folders[folder])
    for k in keys:
        whole[k][0] += folders[folder][k][0]
        whole[k][1] += folders[folder][k][1]
row("src/ in all", whole)
floors = {"line": float(sys.argv[2]), "branch": float(sys.argv[3]), "function": float(sys.argv[4])}
short = [k for k in keys if percent(*whole[k]) < floors[k]]
for k in short:
    print("FAIL: %s coverage %.2f%% is below %.1f%%" % (k, percent(*whole[k]), floors[k]))
sys.exit(1 if short else 0)
PY
