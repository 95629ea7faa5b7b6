#!/usr/bin/env bash
# Packs a complete build into its release archive in OUTDIR: the installed
# tree (library, import libraries, headers, CMake package, host programs)
# with README.md and LICENSE, in one top folder quentarpbm-VERSION-PLATFORM,
# as a .zip for Windows platforms (win32, win64) and a .tar.gz otherwise.
# Members are sorted and dated 1 January 2000, so one build packs the same.
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
  *) archive=$name.tar.gz format=gnutar ;;
esac

mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --prefix "$stage/$name" >/dev/null
cp "$source_dir/README.md" "$source_dir/LICENSE" "$stage/$name/"
rm -f "$out/$archive"
cd "$stage"
find "$name" -type f | LC_ALL=C sort >members
flags=cf
[[ $format == gnutar ]] && flags=czf
cmake -E tar "$flags" "$out/$archive" --format="$format" --mtime="2000-01-01 00:00:00 UTC" \
  --files-from=members
echo "$out/$archive"
