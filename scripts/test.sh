#!/usr/bin/env bash
# Builds everything and runs every test, in stages: the format and static
# analysis; native with sanitizers (GCC), native optimised (Clang), and the
# 64- and 32-bit Windows DLLs with their tests under Wine; the optimised
# build under valgrind and on emulated older processors; the fuzz corpus
# through every build; ThreadSanitizer, the fuzz targets for a bounded time
# and as ClusterFuzzLite builds them, and the coverage floors. Each build is
# made once and its tests run once; the stages that use one core (fuzzing,
# valgrind, emulated processors) run beside those that use both. Ends with a
# table of the stages, each one's wall and processor time and result, and
# fails when any stage did.
set -uo pipefail
cd "$(dirname "$0")/.."

source scripts/lib/stages.sh
run_stage "install deps" bash scripts/install-deps.sh
passed "install deps" || { print_stage_table; exit 1; }
source scripts/lib/tools.sh

# A preset's build, and its tests (ctest's arguments may select them).
build() { cmake --preset "$1" && cmake --build --preset "$1" "${@:2}"; }
tests() { ctest --preset "$@"; }

# The 32-bit DLL's build: where Wine cannot run 32-bit programs, what ships
# and the checks that run no 32-bit program (static and release checks that
# need no Wine), said loudly with the reason.
mingw32_runs=yes
runs_32bit_programs || mingw32_runs=no
mingw32_build() {
  if [[ $mingw32_runs == yes ]]; then
    build mingw32
  else
    note_why_no_32bit_programs
    echo "NOTE: Wine cannot run the 32-bit build's programs: what ships is built, and checked"
    echo "NOTE: by the tests that run none of them."
    build mingw32 --target quentarpbm_shipped
  fi
}
mingw32_tests() {
  if [[ $mingw32_runs == yes ]]; then
    tests mingw32
  else
    tests mingw32 -L 'static|release' -LE wine
  fi
}

# One core's work from the start: the fuzz targets, each for a bounded time.
start_stage "fuzz" bash scripts/fuzz.sh

run_stage "format" bash scripts/check_format.sh
run_stage "static analysis" bash scripts/check_static_analysis.sh

# Optimised first: valgrind and the emulated processors then run over its
# test programs beside everything after it.
run_stage "native-release build" build native-release
needs "native-release build" -- run_stage "native-release tests" tests native-release
needs "native-release build" -- start_stage "valgrind" bash scripts/valgrind.sh
needs "native-release build" -- start_stage "processor models" bash scripts/check_processor_models.sh

# The sanitizers' tests, whose few long cases leave a core idle now and
# then, run beside the 64-bit build.
run_stage "native-debug build" build native-debug
needs "native-debug build" -- start_stage "native-debug tests" tests native-debug

# Both Windows builds before the tests: the 64-bit build's installer test
# packs the 32-bit build's files too.
run_stage "mingw64 build" build mingw64
run_stage "mingw32 build" mingw32_build
needs "mingw64 build" -- run_stage "mingw64 tests" tests mingw64
needs "mingw32 build" -- run_stage "mingw32 tests" mingw32_tests
# The Wine prefixes are free again: the corpus through every build.
needs "native-release build" "mingw64 build" "mingw32 build" -- \
  run_stage "fuzz corpus replay" bash scripts/check_fuzz_corpus_replay.sh

run_stage "native-tsan" cmake --workflow --preset native-tsan
run_stage "ClusterFuzzLite build" bash scripts/check_clusterfuzzlite.sh
run_stage "coverage" bash scripts/coverage.sh

finish_ended_stages all
print_stage_table
