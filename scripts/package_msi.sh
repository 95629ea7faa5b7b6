#!/usr/bin/env bash
# Builds the Windows installer of one architecture, quentarpbm-VERSION-ARCH.msi, in OUTDIR:
# x64 holds the 64-bit and the 32-bit codec, x86 the 32-bit one, and each its architecture's
# library, converter and viewer. The codec's registry values come from its registration table
# (BUILD64's wic_registry_source, run under Wine); no self-registration runs at install.
# Byte for byte the same from the same builds at any time: files dated 1 January 2000, wixl
# run at that date, and the codes that wixl would draw at random derived from the version.
# With QUENTARPBM_SIGN_CERT and QUENTARPBM_SIGN_KEY set, the programs and DLLs inside and the
# installer itself are signed, with a time stamp from QUENTARPBM_TIMESTAMP_URL if it is set.
# Usage: package_msi.sh BUILD64 BUILD32 OUTDIR x64|x86
set -euo pipefail
if [[ $# -ne 4 || ! $4 =~ ^(x64|x86)$ ]]; then
  echo "usage: package_msi.sh BUILD64 BUILD32 OUTDIR x64|x86" >&2
  exit 2
fi
build64=$(cd "$1" && pwd)
build32=$(cd "$2" && pwd)
arch=$4
source_dir=$(cd "$(dirname "$0")/.." && pwd)
source "$source_dir/scripts/lib/tools.sh"
require_tools wixl msibuild faketime python3
version=$(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")$/\1/p' \
  "$build64/package/QuentarPBMConfigVersion.cmake")
[[ -n $version ]] || { echo "no package version in $build64"; exit 1; }
mkdir -p "$3"
out=$(cd "$3" && pwd)/quentarpbm-$version-$arch.msi

# Each architecture's upgrade code, fixed for all versions: a newer installer
# of the same architecture replaces an older one, and the two architectures'
# installers are products of their own.
case $arch in
  x64) upgrade_code=6F1EEEF0-D165-4E38-B034-1EC4C214D11F win64=yes ;;
  x86) upgrade_code=CA5167F3-7CC8-4EE3-9FB2-D690A885AA86 win64=no ;;
esac
# Name-based codes (UUID version 5) in the project's own namespace: the
# product and package codes change with the version and the architecture, a
# component's code stays for as long as its file keeps its place.
code() {
  python3 -c 'import sys, uuid
print(str(uuid.uuid5(uuid.UUID("eb2575de-f3cb-481e-8536-df2ef0edcbf9"), sys.argv[1])).upper())' "$1"
}

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/x86"
cp "$build32/bin/QuentarPbmWic.dll" "$stage/x86/"
if [[ $arch == x64 ]]; then
  mkdir -p "$stage/x64"
  cp "$build64/bin/QuentarPbmWic.dll" "$stage/x64/"
  programs=$build64/bin
else
  programs=$build32/bin
fi
cp "$programs/QUENTARPBM.dll" "$programs/pnm_to_bmp.exe" "$programs/viewer.exe" "$stage/$arch/"
cp "$source_dir/README.md" "$source_dir/CHANGELOG.md" "$source_dir/LICENSE" "$stage/"
sign() {
  osslsigncode sign -certs "$QUENTARPBM_SIGN_CERT" -key "$QUENTARPBM_SIGN_KEY" -h sha256 \
    -n "QUENTARPBM $version" ${QUENTARPBM_TIMESTAMP_URL:+-ts "$QUENTARPBM_TIMESTAMP_URL"} \
    -in "$1" -out "$1.signed" >/dev/null
  mv "$1.signed" "$1"
}
if [[ -n ${QUENTARPBM_SIGN_CERT:-} ]]; then
  for file in "$stage"/x*/*; do sign "$file"; done
fi

# The registry values, one file per codec; wic_registry_source is a 64-bit
# Windows program, run in BUILD64's Wine prefix.
source "$build64/wine_env.sh"
# registry_source NAME ARGUMENTS...: NAME.wxi from the program's lines, which
# must be there (under Wine a program that fails may still exit 0).
registry_source() {
  local name=$1
  shift
  {
    echo '<?xml version="1.0" encoding="utf-8"?>'
    echo '<Include>'
    "$wine" "$build64/bin/wic_registry_source.exe" "$@" | tr -d '\r'
    echo '</Include>'
  } >"$stage/$name.wxi"
  grep -q '<RegistryValue ' "$stage/$name.wxi" || { echo "FAIL: no registry values for $name"; exit 1; }
}
registry_source codec32 codec32
[[ $arch == x64 ]] && registry_source codec64 codec64
registry_source open_with --open-with QuentarPBM.NetpbmImage
cp "$source_dir/packaging/quentarpbm.wxs" "$source_dir/packaging/programs.wxi" "$stage/"

defines=(-D "Arch=$arch" -D "Win64=$win64" -D "Version=$version"
  -D "ProductCode=$(code "product/$arch/$version")" -D "UpgradeCode=$upgrade_code"
  -D "GuidCodec64=$(code component/Codec64)")
for component in Codec32 Library Converter Viewer Documents; do
  defines+=(-D "Guid$component=$(code "component/$arch/$component")")
done
# The files' dates go into the cabinet, wixl's clock into the summary.
find "$stage" -type f -exec touch -d "2000-01-01 00:00:00 UTC" {} +
(cd "$stage" && TZ=UTC faketime -f '2000-01-01 00:00:00' \
  wixl -a "$arch" "${defines[@]}" -o package.msi quentarpbm.wxs 2>&1 |
  { grep -v -e '^$' -e 'GLib-GObject-WARNING' || true; })
# wixl draws the package code at random: the summary is written again with one
# derived from the version (and the title, which that rewrite also sets).
msibuild "$stage/package.msi" -s "QuentarPBM $version ($arch)" "QuentarPBM project" \
  "$([[ $arch == x64 ]] && echo x64 || echo Intel);1033" "{$(code "package/$arch/$version")}"
[[ -n ${QUENTARPBM_SIGN_CERT:-} ]] && sign "$stage/package.msi"
mv "$stage/package.msi" "$out"
echo "$out"
