#!/usr/bin/env bash
# Builds everything and runs every test: native with sanitizers (GCC), native
# optimised (Clang), and the Windows DLL with its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
for preset in native-debug native-release mingw32; do
  echo "=== $preset ==="
  cmake --workflow --preset "$preset"
done
echo "All test runs passed."
