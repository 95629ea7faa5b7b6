#!/usr/bin/env bash
# Static analysis of the library and the host programs: clang-tidy (the
# checks in .clang-tidy) and cppcheck (warning, performance, portability),
# natively and, for the files that only Windows builds compile or that choose
# per platform, for the 32-bit MinGW target. Any finding fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/tools.sh
require_tools cmake ninja clang++ clang-tidy-14 cppcheck i686-w64-mingw32-g++-posix python3

build=build/static-analysis
jobs=$(nproc)
# Compile commands only: nothing is built.
cmake -S . -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUENTARPBM_TESTS=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake -S . -B "$build/mingw32" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUENTARPBM_TESTS=OFF \
  --toolchain cmake/toolchains/i686-w64-mingw32.cmake -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null

# Sources of a build's compile commands below src/, examples/ and packaging/; with a
# second build given, only those it does not compile or that test _WIN32.
sources() {
  python3 - "$@" <<'PY'
import json, os, sys
def files(build):
    return {os.path.relpath(e["file"]) for e in json.load(open(build + "/compile_commands.json"))
            if os.path.relpath(e["file"]).startswith(("src/", "examples/", "packaging/"))}
chosen = files(sys.argv[1])
if len(sys.argv) > 2:
    native = files(sys.argv[2])
    chosen = {f for f in chosen if f not in native or "_WIN32" in open(f).read()}
print("\n".join(sorted(chosen)))
PY
}

# clang knows the MinGW target but not where Debian keeps its C++ headers.
mingw_args=(--extra-arg=--target=i686-w64-mingw32)
while read -r dir; do
  mingw_args+=("--extra-arg=-isystem$dir")
done < <(i686-w64-mingw32-g++-posix -xc++ -E -v - </dev/null 2>&1 |
  sed -n '/#include <...>/,/End of/p' | grep 'include/c++')

report=$(mktemp)
trap 'rm -f "$report"' EXIT
failed=0
echo "clang-tidy, native:"
sources "$build/native" | xargs -r -P "$jobs" -n 1 clang-tidy-14 -p "$build/native" --quiet \
  >>"$report" 2>/dev/null || failed=1
clang-tidy-14 --quiet examples/minimal_host.c -- -Iinclude -std=c11 >>"$report" 2>/dev/null ||
  failed=1
echo "clang-tidy, 32-bit MinGW:"
sources "$build/mingw32" "$build/native" |
  xargs -r -P "$jobs" -n 1 clang-tidy-14 -p "$build/mingw32" --quiet "${mingw_args[@]}" \
    >>"$report" 2>/dev/null || failed=1
clang-tidy-14 --quiet examples/minimal_host.c -- -Iinclude -std=c11 --target=i686-w64-mingw32 \
  >>"$report" 2>/dev/null || failed=1

cppcheck_args=(--enable=warning,performance,portability --inline-suppr --error-exitcode=1 --quiet
  -j "$jobs")
echo "cppcheck, native and 32-bit MinGW:"
cppcheck "${cppcheck_args[@]}" --project="$build/native/compile_commands.json" \
  --file-filter='src/*' --file-filter='examples/*' >>"$report" 2>&1 || failed=1
cppcheck "${cppcheck_args[@]}" -Iinclude examples/minimal_host.c >>"$report" 2>&1 || failed=1
while read -r file; do
  cppcheck "${cppcheck_args[@]}" --project="$build/mingw32/compile_commands.json" \
    -D_WIN32 --platform=win32A --file-filter="$file" >>"$report" 2>&1 || failed=1
done < <(sources "$build/mingw32" "$build/native")

findings=$(grep -c -E '(warning|error|style|performance|portability):' "$report" || true)
if [[ $failed -ne 0 || $findings -ne 0 ]]; then
  sed "s|$PWD/||" "$report"
  echo "FAIL: $findings findings of static analysis"
  exit 1
fi
echo "no findings of static analysis"
