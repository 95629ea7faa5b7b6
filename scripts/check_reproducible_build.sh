#!/usr/bin/env bash
# Builds the library twice from copies of the sources in two different
# folders, each with its build directory at a different place inside, with
# the compiler, flags and toolchain of BUILD_DIR, and checks that the
# products are byte for byte the same: QUENTARPBM.dll and QuentarPbmWic.dll
# (and their debug files, whose checksums the DLLs' debug links hold) with
# QUENTARPBM.dll's import libraries, or
# libquentarpbm.so.
# Usage: check_reproducible_build.sh BUILD_DIR WORKDIR
set -euo pipefail
build=$1
work=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
toolchain=$(cached CMAKE_TOOLCHAIN_FILE)

rm -rf "$work"
trees=("$work/one/quentarpbm" "$work/a-second-folder/sources")
builds=("${trees[0]}/build" "${trees[1]}/out/library")
for i in 0 1; do
  tree=${trees[$i]}
  mkdir -p "$tree"
  cp -r "$source_dir"/{CMakeLists.txt,LICENSE,README.md,cmake,examples,include,src} "$tree"
  args=(-DCMAKE_BUILD_TYPE="$(cached CMAKE_BUILD_TYPE)" -DQUENTARPBM_TESTS=OFF)
  if [[ -n $toolchain ]]; then
    # Each tree's own copy of the toolchain file, as a fresh clone would use.
    args+=(-DCMAKE_TOOLCHAIN_FILE="$tree/${toolchain#"$source_dir"/}")
  else
    args+=(-DCMAKE_C_COMPILER="$(cached CMAKE_C_COMPILER)"
      -DCMAKE_CXX_COMPILER="$(cached CMAKE_CXX_COMPILER)"
      -DCMAKE_C_FLAGS="$(cached CMAKE_C_FLAGS)" -DCMAKE_CXX_FLAGS="$(cached CMAKE_CXX_FLAGS)")
  fi
  cmake -S "$tree" -B "${builds[$i]}" -G Ninja "${args[@]}" >/dev/null
  targets=(quentarpbm)
  [[ -n $toolchain ]] && targets+=(quentarpbm_import_library quentarpbm_wic)
  cmake --build "${builds[$i]}" --target "${targets[@]}" >/dev/null
done

if [[ -n $toolchain ]]; then
  products=(bin/QUENTARPBM.dll bin/QUENTARPBM.dll.debug import/QUENTARPBM.lib
    bin/QuentarPbmWic.dll bin/QuentarPbmWic.dll.debug)
  # The 32-bit build makes its MinGW import library itself.
  [[ -f ${builds[0]}/import/libQUENTARPBM.dll.a ]] && products+=(import/libQUENTARPBM.dll.a)
else
  products=(lib/libquentarpbm.so)
fi
failures=0
for product in "${products[@]}"; do
  if ! cmp "${builds[0]}/$product" "${builds[1]}/$product"; then
    echo "FAIL: $product differs between the two builds"
    failures=$((failures + 1))
  fi
done
echo "reproducible build checks done, $failures failed"
[[ $failures -eq 0 ]]
