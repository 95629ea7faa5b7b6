#!/usr/bin/env bash
# Checks QUENTARPBM.dll's tables: the one export PBMOpen at ordinal 1, and
# imports from KERNEL32.dll, GDI32.dll and msvcrt.dll only.
# Usage: check_dll_exports.sh OBJDUMP DLL
set -euo pipefail
objdump=$1
dll=$2
tables=$("$objdump" -p "$dll")

exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$tables" | grep -E '^\s*\[ *[0-9]+\]' || true)
ordinal_base=$(sed -n 's/^Ordinal Base[[:space:]]*//p' <<<"$tables" | head -n 1)
if [[ $(wc -l <<<"$exports") -ne 1 || ! $exports =~ \]\ PBMOpen$ || $ordinal_base != 1 ]]; then
  echo "expected exactly one export, PBMOpen at ordinal 1; found (base $ordinal_base):"
  echo "$exports"
  exit 1
fi

status=0
while read -r name; do
  case ${name^^} in
    KERNEL32.DLL | GDI32.DLL | MSVCRT.DLL) ;;
    *) echo "unexpected import: $name"; status=1 ;;
  esac
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$tables")
[[ $status -eq 0 ]] && echo "exports: PBMOpen @1; imports: $(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$tables" | tr '\n' ' ')"
exit $status
