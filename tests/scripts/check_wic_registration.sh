#!/usr/bin/env bash
# Registers the WIC codec into the build's Wine prefix with regsvr32, or unregisters it and
# checks that the registry's classes are then exactly as they were before it was registered.
#
# Usage: check_wic_registration.sh register|unregister STATE_DIR WINE DLL
#
# register exports the registry's classes (HKLM's and HKCU's) and the two
# per-machine keys the shell reads (the property handlers, the kind map) to
# STATE_DIR, runs "regsvr32 /s DLL" and checks HKLM\Software against the list
# Microsoft documents (tests/wic/documented_registration.tsv); unregister runs
# "regsvr32 /u /s DLL", exports again and compares.
set -euo pipefail

if [[ $# -ne 4 ]]; then
  echo "usage: $0 register|unregister STATE_DIR WINE DLL" >&2
  exit 2
fi
mode=$1 state=$2 wine=$3 dll=$4
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
windows_dll=$("$wine" winepath -w "$dll" 2>/dev/null | tr -d '\r')
version=$(sed -n 's/^project(QuentarPBM VERSION \([0-9.]*\) .*/\1/p' "$source_dir/CMakeLists.txt")
shell_keys='HKLM\Software\Microsoft\Windows\CurrentVersion'
trees=(HKLM:'HKLM\Software\Classes' HKCU:'HKCU\Software\Classes'
  handlers:"$shell_keys\PropertySystem" kinds:"$shell_keys\Explorer\KindMap")

# export NAME: each tree, as text without Windows' line ends; a tree that
# does not exist (a new prefix has no HKCU\Software\Classes) as "absent".
export_classes() {
  local name=$1 tree
  for tree in "${trees[@]}"; do
    rm -f "$state/$name-${tree%%:*}.reg"
    if "$wine" reg export "${tree#*:}" "$(winepath_of "$state/$name-${tree%%:*}.reg")" \
      /y >/dev/null 2>&1; then
      iconv -f UTF-16LE -t UTF-8 "$state/$name-${tree%%:*}.reg" | tr -d '\r' \
        >"$state/$name-${tree%%:*}.txt"
    else
      echo absent >"$state/$name-${tree%%:*}.txt"
    fi
  done
}
winepath_of() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

case $mode in
  register)
    rm -rf "$state"
    mkdir -p "$state"
    export_classes before
    "$wine" regsvr32 /s "$windows_dll"
    # Every value WIC, COM and the shell read, as Microsoft documents it.
    "$wine" reg export 'HKLM\Software' "$(winepath_of "$state/software.reg")" /y >/dev/null 2>&1
    python3 "$source_dir/tests/scripts/check_documented_registry.py" "$state/software.reg" \
      "$source_dir/tests/wic/documented_registration.tsv" 'HKEY_LOCAL_MACHINE\Software' \
      "$windows_dll" "$version"
    export_classes registered
    added=$(diff "$state/before-HKLM.txt" "$state/registered-HKLM.txt" | grep -c '^>' || true)
    echo "registered: $added lines more in HKLM\\Software\\Classes"
    ;;
  unregister)
    "$wine" regsvr32 /u /s "$windows_dll"
    export_classes after
    for tree in "${trees[@]}"; do
      if ! cmp -s "$state/before-${tree%%:*}.txt" "$state/after-${tree%%:*}.txt"; then
        echo "FAIL: ${tree#*:} differs after regsvr32 /u:"
        diff "$state/before-${tree%%:*}.txt" "$state/after-${tree%%:*}.txt" | head -n 40
        exit 1
      fi
    done
    echo "unregistered: ${trees[*]#*:} equal before and after" \
      "($(cat "$state"/after-*.txt | wc -l) lines compared)"
    ;;
  *)
    echo "usage: $0 register|unregister STATE_DIR WINE DLL" >&2
    exit 2
    ;;
esac
