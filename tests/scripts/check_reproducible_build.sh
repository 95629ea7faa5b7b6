#!/usr/bin/env bash
# Builds the library and its host programs again from a copy of the sources
# in another folder, with its build directory at another place inside, with
# the compiler, flags and toolchain of BUILD_DIR, packs the release archive
# for PLATFORM from that build and from BUILD_DIR, and checks that the two
# builds are byte for byte the same: QUENTARPBM.dll and QuentarPbmWic.dll
# (and their debug files, whose checksums the DLLs' debug links hold) with
# QUENTARPBM.dll's import libraries, or libquentarpbm.so, and every member of
# the two archives (programs included), and the archives. BUILD_DIR must be
# built from the sources as they are.
# Usage: check_reproducible_build.sh BUILD_DIR WORKDIR PLATFORM
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(realpath -m "$2")
platform=$3
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
toolchain=$(cached CMAKE_TOOLCHAIN_FILE)

rm -rf "$work"
copy=$work/a-second-folder/sources
trees=("$source_dir" "$copy")
builds=("$build" "$copy/out/library")
archives=()
mkdir -p "$copy"
cp -r "$source_dir"/{CMakeLists.txt,CHANGELOG.md,LICENSE,README.md,cmake,docs,examples,include} \
  "$source_dir"/{packaging,scripts,src} "$copy"
args=(-DCMAKE_BUILD_TYPE="$(cached CMAKE_BUILD_TYPE)" -DQUENTARPBM_TESTS=OFF
  -DQUENTARPBM_WERROR="$(cached QUENTARPBM_WERROR)")
if [[ -n $toolchain ]]; then
  # The copy's own toolchain file, as a fresh clone would use.
  args+=(-DCMAKE_TOOLCHAIN_FILE="$copy/${toolchain#"$source_dir"/}")
else
  args+=(-DCMAKE_C_COMPILER="$(cached CMAKE_C_COMPILER)"
    -DCMAKE_CXX_COMPILER="$(cached CMAKE_CXX_COMPILER)"
    -DCMAKE_C_FLAGS="$(cached CMAKE_C_FLAGS)" -DCMAKE_CXX_FLAGS="$(cached CMAKE_CXX_FLAGS)")
fi
cmake -S "$copy" -B "${builds[1]}" -G Ninja "${args[@]}" >/dev/null
# Everything a release ships, and the import libraries it is made from.
cmake --build "${builds[1]}" --target quentarpbm_shipped >/dev/null
# Each build packed with its own tree's packing script and the files it adds.
for i in 0 1; do
  archives[i]=$(bash "${trees[$i]}/scripts/package_release.sh" "${builds[$i]}" \
    "$work/release-$i" "$platform")
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
