#!/usr/bin/env bash
# Reads both installers' tables with msiinfo and checks what Windows Installer will do with
# them: the files and where they go, which components are 64-bit, each codec's registry rows
# against the list Microsoft documents (tests/wic/documented_registration.tsv), the viewer's
# "Open with" rows, the upgrade code, per-machine installation, and no self-registration or
# custom action. Prints the File and Registry tables of the x64 installer.
# Usage: check_msi_tables.sh MSI_DIR VERSION
set -euo pipefail
dir=$1
version=$2
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# rows PACKAGE TABLE: the table's rows, without its three heading lines.
rows() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }

for arch in x64 x86; do
  msi=$dir/quentarpbm-$version-$arch.msi
  [[ -f $msi ]] || { fail "no $msi"; continue; }
  tables=$(msiinfo tables "$msi")
  for table in SelfReg TypeLib Class; do
    grep -qx "$table" <<<"$tables" && fail "$arch: a $table table: the installer must not self-register"
  done
  [[ -z $(rows "$msi" CustomAction) ]] || fail "$arch: custom actions: $(rows "$msi" CustomAction)"
  template=$(msiinfo suminfo "$msi" | sed -n 's/^Template: //p')
  expected_template=$([[ $arch == x64 ]] && echo 'x64;1033' || echo 'Intel;1033')
  [[ $template == "$expected_template" ]] || fail "$arch: platform $template"
  grep -qx $'ALLUSERS\t1' <(rows "$msi" Property) || fail "$arch: not per machine"
  grep -q "^{[0-9A-F-]*}"$'\t\t'"$version"$'\t' <(rows "$msi" Upgrade) ||
    fail "$arch: no upgrade of older versions: $(rows "$msi" Upgrade)"
  grep -q '^RemoveExistingProducts' <(rows "$msi" InstallExecuteSequence) ||
    fail "$arch: an older version would stay installed"

  # File, component, 64-bit (attribute 256) or not, and the folder it lies in.
  expected=$'codec32\tCodec32\t0\tCODECDIR32\nlibrary\tLibrary\tW\tBINDIR\nconverter\tConverter\tW\tBINDIR'
  expected+=$'\nviewer\tViewer\tW\tBINDIR\nreadme\tDocuments\tW\tINSTALLDIR'
  expected+=$'\nchangelog\tDocuments\tW\tINSTALLDIR\nlicense\tDocuments\tW\tINSTALLDIR'
  if [[ $arch == x64 ]]; then
    expected+=$'\ncodec64\tCodec64\t256\tCODECDIR'
    expected=${expected//$'\t'W$'\t'/$'\t'256$'\t'}
  else
    expected=${expected//$'\t'W$'\t'/$'\t'0$'\t'}
  fi
  actual=$(join -t $'\t' -1 2 -2 1 -o 1.1,1.2,2.4,2.3 <(rows "$msi" File | sort -t $'\t' -k2,2) \
    <(rows "$msi" Component | sort -t $'\t' -k1,1))
  diff <(sort <<<"$expected") <(sort <<<"$actual") >/dev/null ||
    fail "$arch: files and components differ: $(diff <(sort <<<"$expected") <(sort <<<"$actual"))"

  # Each codec's rows are the documented registration, with its own file's path.
  msiinfo export "$msi" Registry | tr -d '\r' >"$work/registry-$arch.idt"
  codecs=(Codec32)
  [[ $arch == x64 ]] && codecs+=(Codec64)
  for codec in "${codecs[@]}"; do
    python3 "$source_dir/tests/scripts/check_documented_registry.py" \
      "$work/registry-$arch.idt:$codec" "$source_dir/tests/wic/documented_registration.tsv" \
      'HKLM\Software' "[#${codec,}]" "$version" >"$work/$codec.log" ||
      fail "$arch: $codec's rows: $(grep FAIL "$work/$codec.log")"
    echo "$arch $codec: $(tail -n 1 "$work/$codec.log")"
  done
  # The viewer under "Open with" of the four extensions, and nowhere the default.
  viewer=$(awk -F '\t' '$6 == "Viewer" { print $3 "|" $4 "|" $5 }' "$work/registry-$arch.idt")
  for ext in pbm pgm ppm pnm; do
    grep -qx "Software\\\\Classes\\\\.$ext\\\\OpenWithProgids|QuentarPBM.NetpbmImage|" <<<"$viewer" ||
      fail "$arch: the viewer is not offered for .$ext"
  done
  grep -qx 'Software\\Classes\\QuentarPBM.NetpbmImage\\shell\\open\\command||"\[#viewer\]" "%1"' \
    <<<"$viewer" || fail "$arch: the viewer's command: $viewer"
  grep -q '^Software\\Classes\\\.[a-z]*||' <(awk -F '\t' '{ print $3 "|" $4 "|" }' \
    "$work/registry-$arch.idt") && fail "$arch: an extension's default (its association) is set"
done
echo "=== x64: File table ==="
rows "$dir/quentarpbm-$version-x64.msi" File
echo "=== x64: Registry table ($(tail -n +4 "$work/registry-x64.idt" | wc -l) rows) ==="
tail -n +4 "$work/registry-x64.idt" | sort -t $'\t' -k6,6 -k3,3
echo "installer table checks done, $failures failed"
[[ $failures -eq 0 ]]
