#!/usr/bin/env bash
# Builds tests/install/msvc_abi_host.c as a host made with Microsoft's ABI
# would be, twice: by hand (clang for the MSVC target, lld-link and the
# package's QUENTARPBM.lib), and as a CMake project configured with clang-cl,
# lld-link and llvm-lib that finds the package with find_package. Neither
# has a C runtime or Windows SDK: KERNEL32's import library is made with
# llvm-dlltool, and 32-bit hosts link at lld-link's default /SAFESEH. Each
# host must import only QUENTARPBM.dll and KERNEL32.dll and, under Wine,
# report the known size and top-left colour of three small images (a 32-bit
# one only where this machine runs 32-bit programs).
# Usage: check_msvc_abi_host.sh [--build-only|--run-only] PACKAGE WORKDIR WINE 32|64
# PACKAGE is an installed or unpacked package (bin/, include/, lib/), or a
# build directory, which is installed into WORKDIR/prefix first.
# --build-only builds the hosts and checks their imports, running nothing;
# --run-only then runs the hosts that one left in WORKDIR.
set -euo pipefail
build=1 run=1
case $1 in
  --build-only) run=0 && shift ;;
  --run-only) build=0 && shift ;;
esac
package=$1
work=$2
wine=$3
bits=$4
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
case $bits in
  32) target=i686-pc-windows-msvc machine=i386 processor=x86 ;;
  64) target=x86_64-pc-windows-msvc machine=i386:x86-64 processor=AMD64 ;;
  *) echo "bits must be 32 or 64, not '$bits'"; exit 2 ;;
esac
tool() { command -v "$1-14" || command -v "$1"; }
clang=$(tool clang)
clang_cl=$(tool clang-cl)
llvm_lib=$(tool llvm-lib)
lld_link=$(tool lld-link)
dlltool=$(tool llvm-dlltool)
nm=$(tool llvm-nm)
readobj=$(tool llvm-readobj)

# Builds both hosts in the working directory, each beside a copy of the DLL.
build_hosts() {
  if [[ -f $package/CMakeCache.txt ]]; then
    cmake --install "$package" --prefix "$work/prefix" >/dev/null
    package=$work/prefix
  fi
  package=$(cd "$package" && pwd)

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
  # The CMake project a user of Visual Studio's compiler writes (tests/install),
  # configured as CMake would for clang-cl. CMake's compiler check and default
  # libraries expect an SDK: the check builds a static library instead of a
  # program, the default library list (kernel32.lib user32.lib ...) is
  # emptied, and no manifest is made, as mt.exe comes with the SDK. /GS-
  # because the security cookie lives in the C runtime.
  cmake -S "$source_dir/tests/install" -B consumer -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR="$processor" \
    -DCMAKE_C_COMPILER="$clang_cl" -DCMAKE_C_COMPILER_TARGET="$target" \
    -DCMAKE_LINKER="$lld_link" -DCMAKE_AR="$llvm_lib" \
    -DCMAKE_TRY_COMPILE_TARGET_TYPE=STATIC_LIBRARY -DCMAKE_C_STANDARD_LIBRARIES= \
    -DCMAKE_C_FLAGS="/W4 /WX -Wconversion /GS-" \
    -DCMAKE_EXE_LINKER_FLAGS="/NODEFAULTLIB /ENTRY:HostMain /MANIFEST:NO $(pwd)/kernel32.lib" \
    -DQuentarPBM_DIR="$package/lib/cmake/QuentarPBM" -DHOST_SOURCE="$source_dir/tests/install/msvc_abi_host.c" \
    >/dev/null
  cmake --build consumer >consumer.log 2>&1 || { cat consumer.log; exit 1; }
  cp "$package/bin/QUENTARPBM.dll" .
  cp "$package/bin/QUENTARPBM.dll" consumer/
}

hosts=(msvc_abi_host.exe consumer/host.exe)
# shellcheck source=scripts/lib/tools.sh
source "$source_dir/scripts/lib/tools.sh"
if [[ $build == 1 ]]; then
  rm -rf "$work"
  mkdir -p "$work"
fi
cd "$work"
# shellcheck source=tests/scripts/host_images.sh
source "$source_dir/tests/scripts/host_images.sh"
if [[ $build == 1 ]]; then
  build_hosts
  # The package's choice for a Microsoft-compatible compiler, which a 64-bit
  # link, taking either import library, would not show by failing.
  if ! grep -q '^ *LINK_LIBRARIES = .*/lib/QUENTARPBM\.lib *$' consumer/build.ninja; then
    echo "FAIL: the CMake host does not link QUENTARPBM.lib: $(grep LINK_LIBRARIES consumer/build.ninja)"
    failures=$((failures + 1))
  fi
  for host in "${hosts[@]}"; do
    imports=$("$readobj" --coff-imports "$host" | sed -n 's/^ *Name: //p' | sort | tr '\n' ' ')
    if [[ $imports != "KERNEL32.dll QUENTARPBM.dll " ]]; then
      echo "FAIL: $host imports '$imports', expected KERNEL32.dll and QUENTARPBM.dll only"
      failures=$((failures + 1))
    fi
  done
fi
if [[ $run == 1 && $bits == 32 ]] && ! runs_32bit_programs; then
  note_why_no_32bit_programs
  echo "NOTE: the hosts are built and linked, not run"
  run=0
fi
if [[ $run == 1 ]]; then
  for host in "${hosts[@]}"; do
    check_host "MSVC ABI, $bits-bit, $host" "$wine" "./$host"
    if output=$("$wine" "./$host" missing.pgm 2>/dev/null | tr -d '\r'); then
      echo "FAIL: $host gave exit code 0 for a missing image ('$output')"
      failures=$((failures + 1))
    fi
  done
fi
echo "MSVC ABI host checks done, $failures failed"
[[ $failures -eq 0 ]]
