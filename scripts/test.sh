#!/usr/bin/env bash
# Builds everything and runs every test: native with sanitizers (GCC), native
# optimised (Clang), and the 32- and 64-bit Windows DLLs with their tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
echo "=== format ==="
bash scripts/check_format.sh
for preset in native-debug native-release mingw32 mingw64; do
  echo "=== $preset ==="
  cmake --workflow --preset "$preset"
done
# Concurrency under ThreadSanitizer, each fuzz target for a bounded time, and
# valgrind over the native-release tests.
echo "=== native-tsan ==="
cmake --workflow --preset native-tsan
echo "=== fuzz ==="
bash scripts/fuzz.sh
echo "=== valgrind ==="
bash scripts/valgrind.sh
echo "All test runs passed."
