#!/usr/bin/env bash
# Builds both installers twice, at two different moments, from BUILD64 and the mingw32
# preset's build (brought up to date first with what they hold), and checks that each comes
# out byte for byte the same; leaves them in WORKDIR/msi for the tests that read them.
# Usage: check_msi_package.sh BUILD64 WORKDIR
set -euo pipefail
build64=$(cd "$1" && pwd)
work=$(realpath -m "$2")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build32=$source_dir/build/mingw32
rm -rf "$work"
mkdir -p "$work"
# The 32-bit codec (and, for the x86 installer, the 32-bit programs) come from
# the 32-bit preset's own build, as the release takes them.
(cd "$source_dir" && { [[ -f $build32/CMakeCache.txt ]] || cmake --preset mingw32 >/dev/null; } &&
  cmake --build "$build32" --target quentarpbm quentarpbm_wic pnm_to_bmp viewer >/dev/null)
failures=0
for arch in x64 x86; do
  first=$(bash "$source_dir/scripts/package_msi.sh" "$build64" "$build32" "$work/msi" "$arch")
  sleep 1
  second=$(bash "$source_dir/scripts/package_msi.sh" "$build64" "$build32" "$work/again" "$arch")
  if cmp "$first" "$second"; then
    echo "$(basename "$first"): the same bytes twice, $(stat -c %s "$first") bytes," \
      "sha256 $(sha256sum <"$first" | cut -c1-16)..."
  else
    echo "FAIL: $(basename "$first") differs between two packings"
    failures=$((failures + 1))
  fi
done
echo "installer packing checks done, $failures failed"
[[ $failures -eq 0 ]]
