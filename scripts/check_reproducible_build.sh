#!/usr/bin/env bash
# Builds the library and its host programs twice from copies of the sources
# in two different folders, each with its build directory at a different
# place inside, with the compiler, flags and toolchain of BUILD_DIR, packs
# each build's release archive for PLATFORM, and checks that they are byte
# for byte the same: QUENTARPBM.dll and QuentarPbmWic.dll (and their debug
# files, whose checksums the DLLs' debug links hold) with QUENTARPBM.dll's
# import libraries, or libquentarpbm.so, and
# every member of the two archives (programs included), and the archives.
# Usage: check_reproducible_build.sh BUILD_DIR WORKDIR PLATFORM
set -euo pipefail
build=$1
work=$(realpath -m "$2")
platform=$3
source_dir=$(cd "$(dirname "$0")/.." && pwd)
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
toolchain=$(cached CMAKE_TOOLCHAIN_FILE)

rm -rf "$work"
trees=("$work/one/quentarpbm" "$work/a-second-folder/sources")
builds=("${trees[0]}/build" "${trees[1]}/out/library")
archives=()
# Both copies first, so that both builds see the same sources; each packs
# with its own copy of the packing script and the files it adds.
for tree in "${trees[@]}"; do
  mkdir -p "$tree"
  cp -r "$source_dir"/{CMakeLists.txt,CHANGELOG.md,LICENSE,README.md,cmake,examples,include} \
    "$source_dir"/{packaging,scripts,src} "$tree"
done
for i in 0 1; do
  tree=${trees[$i]}
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
  # Everything a release ships, and the import libraries it is made from.
  targets=(all)
  [[ -n $toolchain ]] && targets+=(quentarpbm_import_library)
  cmake --build "${builds[$i]}" --target "${targets[@]}" >/dev/null
  archives[i]=$(bash "$tree/scripts/package_release.sh" "${builds[$i]}" \
    "${builds[$i]}/release" "$platform")
  mkdir -p "$work/unpacked-$i"
  (cd "$work/unpacked-$i" && cmake -E tar xf "${archives[$i]}")
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
# Every member of the two archives, then the archives themselves.
members() { (cd "$1" && find . -type f | LC_ALL=C sort); }
if ! diff <(members "$work/unpacked-0") <(members "$work/unpacked-1"); then
  echo "FAIL: the two release archives hold other files (above)"
  failures=$((failures + 1))
fi
count=0
while IFS= read -r member; do
  count=$((count + 1))
  if ! cmp -s "$work/unpacked-0/$member" "$work/unpacked-1/$member"; then
    echo "FAIL: ${member#./} differs between the two release archives"
    failures=$((failures + 1))
  fi
done < <(members "$work/unpacked-0")
echo "$count members of $(basename "${archives[0]}") compared"
if ! cmp "${archives[0]}" "${archives[1]}"; then
  echo "FAIL: the two release archives differ"
  failures=$((failures + 1))
fi
sha256sum "${archives[@]}" | sed "s|$work/||"
echo "reproducible build checks done, $failures failed"
[[ $failures -eq 0 ]]
