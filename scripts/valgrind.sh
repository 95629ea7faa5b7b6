#!/usr/bin/env bash
# Runs every native test executable of a non-sanitized build (default: the
# native-release preset's, configured and built here if missing) under
# valgrind's memcheck; any memory error or leak fails the run.
# Usage: scripts/valgrind.sh [build directory]
set -euo pipefail
cd "$(dirname "$0")/.."

root=$(pwd)
build=$(realpath -m "${1:-build/native-release}")
if [[ ! -d $build/bin ]]; then
  cmake --preset native-release
  cmake --build --preset native-release
fi

# The tests find their fixtures (reference images) relative to the tests'
# build directory, as under ctest; the reference images come from the
# native-release workflow's own fixture tests, made again here if missing.
tests_dir=$build/tests
if [[ ! -d $tests_dir/netpbm_reference ]]; then
  (cd "$tests_dir" && bash "$root/tests/scripts/make_reference_images.sh" netpbm_reference)
fi
if [[ ! -d $tests_dir/wic_reference ]]; then
  (cd "$tests_dir" && bash "$root/tests/scripts/make_wic_reference_images.sh" wic_reference)
fi

failed=0
for executable in "$build"/bin/*_tests; do
  name=$(basename "$executable")
  echo "=== valgrind $name ==="
  log=$build/valgrind-$name.log
  if ! (cd "$tests_dir" && timeout 900 valgrind --quiet --error-exitcode=1 \
      --leak-check=full --show-leak-kinds=definite,indirect,possible \
      --errors-for-leak-kinds=definite,indirect,possible \
      --suppressions="$root/scripts/valgrind.supp" \
      "$executable" --gtest_brief=1) >"$log" 2>&1; then
    tail -n 80 "$log"
    echo "valgrind found errors in $name (full log: $log)"
    failed=1
  fi
done
exit "$failed"
