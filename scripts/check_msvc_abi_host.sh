#!/usr/bin/env bash
# Builds tests/install/msvc_abi_host.c as a host made with Microsoft's ABI
# would be: clang for the MSVC target, no C runtime or Windows SDK, linked by
# lld-link at its default /SAFESEH against the package's QUENTARPBM.lib and a
# KERNEL32 import library made with llvm-dlltool. The host must import only
# QUENTARPBM.dll and KERNEL32.dll and, under Wine, report the known size and
# top-left colour of three small images.
# Usage: check_msvc_abi_host.sh PACKAGE WORKDIR WINE 32|64
# PACKAGE is an installed or unpacked package (bin/, include/, lib/), or a
# build directory, which is installed into WORKDIR/prefix first.
set -euo pipefail
package=$1
work=$2
wine=$3
bits=$4
source_dir=$(cd "$(dirname "$0")/.." && pwd)
case $bits in
  32) target=i686-pc-windows-msvc machine=i386 ;;
  64) target=x86_64-pc-windows-msvc machine=i386:x86-64 ;;
  *) echo "bits must be 32 or 64, not '$bits'"; exit 2 ;;
esac
tool() { command -v "$1-14" || command -v "$1"; }
clang=$(tool clang)
lld_link=$(tool lld-link)
dlltool=$(tool llvm-dlltool)
nm=$(tool llvm-nm)
readobj=$(tool llvm-readobj)

rm -rf "$work"
mkdir -p "$work"
if [[ -f $package/CMakeCache.txt ]]; then
  cmake --install "$package" --prefix "$work/prefix" >/dev/null
  package=$work/prefix
fi
package=$(cd "$package" && pwd)
cd "$work"

# -ffreestanding: clang's own <stdint.h>, as there is no SDK; the public
# header must compile here as it is.
"$clang" --target="$target" -ffreestanding -nostdlibinc -O2 -Wall -Wextra -Wconversion -Werror \
  -I"$package/include" -c "$source_dir/tests/install/msvc_abi_host.c" -o msvc_abi_host.obj
# KERNEL32's import library lists exactly what the host calls (decorated
# names on 32-bit, whose import names --kill-at undecorates).
{
  echo "LIBRARY KERNEL32.dll"
  echo "EXPORTS"
  "$nm" --undefined-only msvc_abi_host.obj | sed -n 's/^ *U __imp__\{0,1\}/  /p'
} >kernel32.def
"$dlltool" -m "$machine" --kill-at -d kernel32.def -l kernel32.lib
"$lld_link" /nologo /NODEFAULTLIB /ENTRY:HostMain /SUBSYSTEM:CONSOLE /OUT:msvc_abi_host.exe \
  msvc_abi_host.obj "$package/lib/QUENTARPBM.lib" kernel32.lib
cp "$package/bin/QUENTARPBM.dll" .

# shellcheck source=scripts/host_images.sh
source "$source_dir/scripts/host_images.sh"
imports=$("$readobj" --coff-imports msvc_abi_host.exe | sed -n 's/^ *Name: //p' | sort | tr '\n' ' ')
if [[ $imports != "KERNEL32.dll QUENTARPBM.dll " ]]; then
  echo "FAIL: the host imports '$imports', expected KERNEL32.dll and QUENTARPBM.dll only"
  failures=$((failures + 1))
fi
check_host "MSVC ABI, $bits-bit" "$wine" ./msvc_abi_host.exe
if output=$("$wine" ./msvc_abi_host.exe missing.pgm 2>/dev/null | tr -d '\r'); then
  echo "FAIL: a missing image gave exit code 0 ('$output')"
  failures=$((failures + 1))
fi
echo "MSVC ABI host checks done, $failures failed"
[[ $failures -eq 0 ]]
