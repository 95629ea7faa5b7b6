#!/usr/bin/env bash
# Installs the x64 installer with msiexec into a fresh 64-bit Wine prefix and checks what a
# user then has: every documented registry value in both registry views, each pointing at the
# installed codec; the stock WIC factory finding that codec and its property handler
# answering, through BUILD64's wic_property_tests (and the 32-bit build's, where 32-bit
# programs run). Then uninstalls and checks that HKLM\Software is as before (Windows
# Installer's own empty bookkeeping keys aside) and no file is left.
# Usage: check_msi_install.sh BUILD64 MSI_DIR WORKDIR VERSION
set -euo pipefail
build64=$(cd "$1" && pwd)
msi=$(cd "$2" && pwd)/quentarpbm-$4-x64.msi
work=$(realpath -m "$3")
version=$4
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$source_dir/scripts/lib/tools.sh"
source "$build64/wine_env.sh"
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX=$work/prefix
wineserver=$(dirname "$(readlink -f "$wine")")/wineserver
trap 'timeout 10 "$wineserver" -k 2>/dev/null || true' EXIT
"$wine" wineboot --init >/dev/null 2>&1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
export_software() {
  "$wine" reg export 'HKLM\Software' "$("$wine" winepath -w "$work/$1.reg" 2>/dev/null | tr -d '\r')" \
    /y >/dev/null 2>&1 || fail "reg export $1"
}
folders=("$WINEPREFIX/drive_c/Program Files/QuentarPBM" "$WINEPREFIX/drive_c/Program Files (x86)/QuentarPBM")

export_software before
"$wine" msiexec /i "$("$wine" winepath -w "$msi" 2>/dev/null | tr -d '\r')" /qn ||
  fail "msiexec /i: status $?"
export_software installed
for folder in "${folders[@]}"; do
  find "$folder" -type f | sed "s|^$WINEPREFIX/drive_c/|installed: C:/|"
done
# Both views: the 64-bit codec's path in the 64-bit one, the 32-bit codec's in the other.
codec64='C:\Program Files\QuentarPBM\codec\QuentarPbmWic.dll'
codec32='C:\Program Files (x86)\QuentarPBM\QuentarPbmWic.dll'
for view in "Software|$codec64" "Software\Wow6432Node|$codec32"; do
  python3 "$source_dir/tests/scripts/check_documented_registry.py" "$work/installed.reg" \
    "$source_dir/tests/wic/documented_registration.tsv" "HKEY_LOCAL_MACHINE\\${view%%|*}" \
    "${view#*|}" "$version" >"$work/view.log" ||
    fail "documented registry in ${view%%|*}: $(grep FAIL "$work/view.log")"
  tail -n 1 "$work/view.log"
done
# The installed codec through COM, as hosts reach it. Under Wine a program can
# crash and still exit 0: its own summary line is the verdict.
hosts=("$wine|$build64/bin/wic_property_tests.exe|$codec64")
if runs_32bit_programs; then
  hosts+=("/usr/lib/wine/wine|$source_dir/build/mingw32/bin/wic_property_tests.exe|$codec32")
else
  note_why_no_32bit_programs
  echo "NOTE: the 32-bit codec's registration is checked as keys only; no 32-bit host runs here."
fi
for host in "${hosts[@]}"; do
  IFS='|' read -r loader program codec <<<"$host"
  "$loader" "$program" >"$work/host.log" 2>&1 || true
  grep -q '^\[  PASSED  \] [0-9]* tests' "$work/host.log" && ! grep -q '^\[  FAILED  \]' "$work/host.log" ||
    fail "$(basename "$program") over the installed codec: $(tail -n 20 "$work/host.log")"
  grep -F "codec answering from $codec" "$work/host.log" ||
    fail "$(basename "$program") did not use the installed codec"
  grep '^\[  PASSED  \]' "$work/host.log"
done

"$wine" msiexec /x "$("$wine" winepath -w "$msi" 2>/dev/null | tr -d '\r')" /qn ||
  fail "msiexec /x: status $?"
export_software uninstalled
python3 "$source_dir/tests/scripts/compare_registry_exports.py" "$work/before.reg" \
  "$work/uninstalled.reg" || fail "HKLM\\Software is not as before the installation"
for folder in "${folders[@]}"; do
  [[ ! -e $folder ]] || fail "left after uninstalling: $(find "$folder")"
done
echo "installation checks done, $failures failed"
[[ $failures -eq 0 ]]
