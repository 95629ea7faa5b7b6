#!/usr/bin/env bash
# Registers the WIC codec into the build's Wine prefix with regsvr32, or unregisters it and
# checks that the registry's classes are then exactly as they were before it was registered.
#
# Usage: check_wic_registration.sh register|unregister STATE_DIR WINE DLL
#
# register exports HKLM\Software\Classes and HKCU\Software\Classes to
# STATE_DIR, runs "regsvr32 /s DLL" and checks the keys WIC finds the decoder
# by; unregister runs "regsvr32 /u /s DLL", exports again and compares.
set -euo pipefail

if [[ $# -ne 4 ]]; then
  echo "usage: $0 register|unregister STATE_DIR WINE DLL" >&2
  exit 2
fi
mode=$1 state=$2 wine=$3 dll=$4
clsid='{A70E5CB8-A137-4431-99B6-789095D97E92}'
instance="HKLM\\Software\\Classes\\CLSID\\{7ED96837-96F0-4812-B211-F13C24117ED3}\\Instance\\$clsid"
windows_dll=$("$wine" winepath -w "$dll" 2>/dev/null | tr -d '\r')

# export NAME: both class trees, as text without Windows' line ends; a tree
# that does not exist (a new prefix has no HKCU\Software\Classes) as "absent".
export_classes() {
  local name=$1 root
  for root in HKLM HKCU; do
    rm -f "$state/$name-$root.reg"
    if "$wine" reg export "$root\\Software\\Classes" "$(winepath_of "$state/$name-$root.reg")" \
      /y >/dev/null 2>&1; then
      iconv -f UTF-16LE -t UTF-8 "$state/$name-$root.reg" | tr -d '\r' >"$state/$name-$root.txt"
    else
      echo absent >"$state/$name-$root.txt"
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
    # What WIC reads: the category's entry, the class and its server.
    for key in "$instance" "HKLM\\Software\\Classes\\CLSID\\$clsid\\InprocServer32" \
      "HKLM\\Software\\Classes\\CLSID\\$clsid\\Patterns\\5" "HKLM\\Software\\Classes\\.pgm"; do
      "$wine" reg query "$key" >/dev/null 2>&1 || { echo "FAIL: no $key after regsvr32"; exit 1; }
    done
    export_classes registered
    added=$(diff "$state/before-HKLM.txt" "$state/registered-HKLM.txt" | grep -c '^>' || true)
    echo "registered: $added lines more in HKLM\\Software\\Classes"
    ;;
  unregister)
    "$wine" regsvr32 /u /s "$windows_dll"
    export_classes after
    for root in HKLM HKCU; do
      if ! cmp -s "$state/before-$root.txt" "$state/after-$root.txt"; then
        echo "FAIL: $root\\Software\\Classes differs after regsvr32 /u:"
        diff "$state/before-$root.txt" "$state/after-$root.txt" | head -n 40
        exit 1
      fi
    done
    echo "unregistered: HKLM and HKCU Software\\Classes equal before and after" \
      "($(cat "$state"/after-HKLM.txt "$state"/after-HKCU.txt | wc -l) lines compared)"
    ;;
  *)
    echo "usage: $0 register|unregister STATE_DIR WINE DLL" >&2
    exit 2
    ;;
esac
