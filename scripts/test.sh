#!/usr/bin/env bash
# Builds everything and runs every test: native with sanitizers (GCC), native
# optimised (Clang), and the 32- and 64-bit Windows DLLs with their tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
source scripts/lib/tools.sh
echo "=== format ==="
bash scripts/check_format.sh
echo "=== static analysis ==="
bash scripts/check_static_analysis.sh
for preset in native-debug native-release mingw32 mingw64; do
  echo "=== $preset ==="
  if [[ $preset == mingw32 ]] && ! runs_32bit_programs; then
    # Said loudly, with the reason (the kernel, or Wine's 32-bit half): the
    # 32-bit DLL is still built, and checked by the tests that do not run it.
    note_why_no_32bit_programs
    echo "NOTE: Wine cannot run the 32-bit build's tests; only its build and static checks run here."
    cmake --preset mingw32
    cmake --build --preset mingw32
    ctest --preset mingw32 -FA '.*' \
      -R '^(dll_exports|wic_dll_exports|windows_programs|reproducible_build|msvc_abi_host|release_signing)$'
    continue
  fi
  cmake --workflow --preset "$preset"
done
# The native build on emulated processors below this one's levels.
echo "=== processor models ==="
bash scripts/check_processor_models.sh
# The fuzz corpus through the native library and the DLLs, file by file.
echo "=== fuzz corpus replay ==="
bash scripts/check_fuzz_corpus_replay.sh
# Concurrency under ThreadSanitizer, each fuzz target for a bounded time and
# as ClusterFuzzLite builds it, valgrind over the native-release tests, and
# the coverage floors.
echo "=== native-tsan ==="
cmake --workflow --preset native-tsan
echo "=== fuzz ==="
bash scripts/fuzz.sh
echo "=== ClusterFuzzLite build ==="
bash scripts/check_clusterfuzzlite.sh
echo "=== valgrind ==="
bash scripts/valgrind.sh
echo "=== coverage ==="
bash scripts/coverage.sh
echo "All test runs passed."
