#!/usr/bin/env bash
# Checks the headers of the shipped Windows programs: each is large-address-
# aware (4 GB of address space for a 32-bit one on 64-bit Windows), and
# carries its application manifest where Windows reads it, as resource 1 of
# type RT_MANIFEST, declaring UTF-8 as its code page and long paths (and,
# for the viewer, per-monitor DPI awareness).
# Usage: check_windows_programs.sh OBJDUMP PNM_TO_BMP_EXE VIEWER_EXE
set -euo pipefail
objdump=$1
shift
readobj=$(command -v llvm-readobj-14 || command -v llvm-readobj)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for program in "$@"; do
  name=$(basename "$program")
  headers=$("$objdump" -p "$program")
  grep -q '^[[:space:]]*large address aware$' <<<"$headers" || fail "$name is not large-address-aware"
  # The manifest's resource: type 24 and, nested in it, name 1.
  "$readobj" --coff-resources "$program" | awk '/Type: /{ type = /\(ID 24\)/ } type && /Name: \(ID 1\)/{ found = 1 }
    END { exit !found }' || fail "$name has no manifest as resource 1 of type RT_MANIFEST"
  settings=('>UTF-8</activeCodePage>' '>true</longPathAware>')
  [[ $name == viewer.exe ]] && settings+=('>PerMonitorV2, PerMonitor</dpiAwareness>')
  for setting in "${settings[@]}"; do
    grep -qaF "$setting" "$program" || fail "$name's manifest lacks $setting"
  done
done
echo "Windows program checks done, $failures failed"
[[ $failures -eq 0 ]]
