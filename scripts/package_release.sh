#!/usr/bin/env bash
# Packs a complete build into its release archive in OUTDIR: the installed
# tree (library, import libraries, headers, CMake package, host programs)
# with README.md, CHANGELOG.md, LICENSE and docs/, in one top folder
# quentarpbm-VERSION-PLATFORM, as a .zip for Windows platforms (win32, win64)
# and a .tar.gz otherwise. Members are sorted and dated 1 January 2000, so
# one build packs byte for byte the same at any time. With QUENTARPBM_SIGN_CERT and QUENTARPBM_SIGN_KEY
# set, the Windows DLL and programs are signed in the archive (not in the
# build), with a time stamp from QUENTARPBM_TIMESTAMP_URL if it is set.
# Usage: package_release.sh BUILD_DIR OUTDIR PLATFORM
set -euo pipefail
build=$1
out=$2
platform=$3
source_dir=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")$/\1/p' \
  "$build/package/QuentarPBMConfigVersion.cmake")
[[ -n $version ]] || { echo "no package version in $build"; exit 1; }
name=quentarpbm-$version-$platform
case $platform in
  win*) archive=$name.zip format=zip ;;
  *) archive=$name.tar.gz format=tar ;;
esac

mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --prefix "$stage/$name" >/dev/null
cp -r "$source_dir/README.md" "$source_dir/CHANGELOG.md" "$source_dir/LICENSE" "$source_dir/docs" \
  "$stage/$name/"
if [[ $format == zip && -n ${QUENTARPBM_SIGN_CERT:-} ]]; then
  # Authenticode with SHA-256, which Windows checks for every file it loads.
  for file in bin/QUENTARPBM.dll bin/QuentarPbmWic.dll bin/pnm_to_bmp.exe bin/viewer.exe; do
    osslsigncode sign -certs "$QUENTARPBM_SIGN_CERT" -key "$QUENTARPBM_SIGN_KEY" -h sha256 \
      -n "QUENTARPBM $version" ${QUENTARPBM_TIMESTAMP_URL:+-ts "$QUENTARPBM_TIMESTAMP_URL"} \
      -in "$stage/$name/$file" -out "$stage/$name/$file.signed" >/dev/null
    mv "$stage/$name/$file.signed" "$stage/$name/$file"
  done
fi
rm -f "$out/$archive"
cd "$stage"
find "$name" -type f | LC_ALL=C sort >members
# Nothing of the moment or the packer goes in: zip -X leaves out the extra
# fields that would carry each file's access and change times, tar is told
# the owner, and gzip -n leaves out its own time stamp.
xargs -d '\n' touch -d "2000-01-01 00:00:00 UTC" <members
if [[ $format == zip ]]; then
  TZ=UTC0 zip -q -X -D "$out/$archive" -@ <members
else
  tar -cf - --no-recursion --owner=0 --group=0 --numeric-owner --format=gnu -T members |
    gzip -n -9 >"$out/$archive"
fi
echo "$out/$archive"
