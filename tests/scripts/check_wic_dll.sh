#!/usr/bin/env bash
# Checks QuentarPbmWic.dll's tables: exactly the four exports of a COM server,
# imports from Windows' own DLLs only (no GDI32, no runtime DLL to ship), and
# none of the library's DIB layer or pixel file linked in, by the sources its
# debug file names.
# Usage: check_wic_dll.sh OBJDUMP DLL
set -euo pipefail
objdump=$1
dll=$2
tables=$("$objdump" -p "$dll")

exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$tables" |
  sed -n 's/^\s*\[ *[0-9]*\] \([A-Za-z_]*\)$/\1/p' | sort | tr '\n' ' ')
if [[ $exports != "DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer " ]]; then
  echo "expected exactly the four COM server exports; found: $exports"
  exit 1
fi

# Windows' own: the C runtime every Windows has, and the system DLLs (the shell's
# for telling Explorer that the associations changed).
dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$tables" | sort -u | tr '\n' ' ')
for name in $dlls; do
  case ${name^^} in
    KERNEL32.DLL | ADVAPI32.DLL | OLE32.DLL | SHELL32.DLL | MSVCRT.DLL) ;;
    *) echo "unexpected import of $name (imports: $dlls)"; exit 1 ;;
  esac
done

# The sources linked in, as the debug information names them.
sources=$("$objdump" --dwarf=info "$dll.debug" 2>/dev/null |
  sed -n 's/.*DW_AT_name.*: \(\.\/src\/.*\.cpp\)$/\1/p' | sort -u)
if ! grep -q 'src/wic/com/wic_decoder.cpp' <<<"$sources"; then
  echo "no debug information naming the codec's sources in $dll.debug"
  exit 1
fi
if grep -E 'src/dib/|src/entry/pbm_open' <<<"$sources"; then
  echo "the DIB layer or PBMOpen is linked into $dll"
  exit 1
fi
echo "exports: $exports; imports from $dlls only; $(wc -l <<<"$sources") sources, none of src/dib"
