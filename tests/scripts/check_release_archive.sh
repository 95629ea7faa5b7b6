#!/usr/bin/env bash
# Packs BUILD_DIR's release archive, unpacks it in a fresh folder and checks
# that it holds exactly the files a release ships, that its pnm_to_bmp
# converts an image, and that a host builds and runs against what is inside:
# the MSVC-ABI host for the Windows zips, find_package and pkg-config for the
# Linux tarball.
# Usage: check_release_archive.sh BUILD_DIR WORKDIR PLATFORM [WINE]
set -euo pipefail
build=$(cd "$1" && pwd)
work=$2
platform=$3
wine=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
scripts=$(cd "$here/../../scripts" && pwd)

rm -rf "$work"
mkdir -p "$work/unpacked"
archive=$(bash "$scripts/package_release.sh" "$build" "$work" "$platform")
cd "$work/unpacked"
cmake -E tar xf "$archive"
package=$(pwd)/$(basename "${archive%.zip}" .tar.gz)

# The documents beside the README are the source tree's docs/, whose files
# its links name.
mapfile -t docs < <(cd "$here/../.." && find docs -type f | LC_ALL=C sort)
common=(CHANGELOG.md LICENSE README.md "${docs[@]}" include/quentarpbm.h
  lib/cmake/QuentarPBM/QuentarPBMConfig.cmake lib/cmake/QuentarPBM/QuentarPBMConfigVersion.cmake)
case $platform in
  win*) files=("${common[@]}" bin/QUENTARPBM.dll bin/QuentarPbmWic.dll bin/pnm_to_bmp.exe bin/viewer.exe
    lib/QUENTARPBM.def lib/QUENTARPBM.lib lib/libQUENTARPBM.dll.a) ;;
  *) files=("${common[@]}" bin/pnm_to_bmp include/quentarpbm_posix.h lib/libquentarpbm.so
    lib/pkgconfig/quentarpbm.pc) ;;
esac
failures=0
if ! diff <(printf '%s\n' "${files[@]}" | LC_ALL=C sort) \
  <(cd "$package" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); then
  echo "FAIL: $(basename "$archive") holds other files than a release ships (above)"
  failures=$((failures + 1))
fi

# The README's links to the documents beside it hold in the archive.
while IFS= read -r link; do
  if [[ ! -f $package/$link ]]; then
    echo "FAIL: README.md links to $link, which the archive does not hold"
    failures=$((failures + 1))
  fi
done < <(grep -o '](docs/[^)#]*' "$package/README.md" | cut -c3- | sort -u)

# The shipped converter, run from where it was unpacked.
printf 'P2 1 1 255 64\n' >grey.pgm
converter=$package/bin/pnm_to_bmp
[[ $platform == win* ]] && converter=("$wine" "$converter.exe")
if ! "${converter[@]}" -o converted grey.pgm >/dev/null 2>&1 || [[ ! -s converted/grey.bmp ]]; then
  echo "FAIL: the archive's pnm_to_bmp did not convert grey.pgm"
  failures=$((failures + 1))
fi

if [[ $platform == win* ]]; then
  host_check=("$here/check_msvc_abi_host.sh" "$package" "$work/host" "$wine" "${platform#win}")
else
  host_check=("$here/check_installed_package.sh" --package "$package" "$build" "$work/host")
fi
bash "${host_check[@]}" || failures=$((failures + 1))
echo "release archive checks done, $failures failed"
[[ $failures -eq 0 ]]
