#!/usr/bin/env bash
# Installs a build into a fresh prefix and builds examples/minimal_host.c
# against it as a user would: through find_package(QuentarPBM) (Windows: with
# the import library, run under Wine) and, natively, through pkg-config. Each
# host must report the known size and top-left colour of three small images,
# and README.md must show the same source.
# Usage: check_installed_package.sh [--package DIR] BUILD_DIR WORKDIR [WINE]
# The compiler, flags and toolchain file are those of BUILD_DIR. --package
# checks an unpacked package in DIR instead of installing BUILD_DIR.
set -euo pipefail
package=""
if [[ ${1:-} == --package ]]; then
  package=$(cd "$2" && pwd)
  shift 2
fi
build=$1
work=$2
wine=${3:-}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
compiler=$(cached CMAKE_C_COMPILER)
flags="$(cached CMAKE_C_FLAGS) -Wall -Wextra -Wconversion -Werror"
toolchain=$(cached CMAKE_TOOLCHAIN_FILE)

rm -rf "$work"
mkdir -p "$work"
prefix=${package:-$work/prefix}
[[ -n $package ]] || cmake --install "$build" --prefix "$prefix" >/dev/null
cd "$work"

# shellcheck source=tests/scripts/host_images.sh
source "$source_dir/tests/scripts/host_images.sh"

consumer_args=(-DHOST_SOURCE="$source_dir/examples/minimal_host.c"
  -DCMAKE_C_COMPILER="$compiler" -DCMAKE_C_FLAGS="$flags" -DCMAKE_BUILD_TYPE=Release)
if [[ -n $toolchain ]]; then
  # A cross toolchain searches its own sysroot only, so name the package's place.
  consumer_args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain"
    -DQuentarPBM_DIR="$prefix/lib/cmake/QuentarPBM")
else
  consumer_args+=(-DCMAKE_PREFIX_PATH="$prefix")
fi
cmake -S "$source_dir/tests/install" -B consumer -G Ninja "${consumer_args[@]}" >/dev/null
cmake --build consumer >/dev/null
if [[ -n $wine ]]; then
  # MinGW gets the package's GNU import library.
  grep -q '^ *LINK_LIBRARIES = .*/lib/libQUENTARPBM\.dll\.a ' consumer/build.ninja || {
    echo "FAIL: the host does not link libQUENTARPBM.dll.a: $(grep LINK_LIBRARIES consumer/build.ninja)"
    failures=$((failures + 1))
  }
  cp "$prefix/bin/QUENTARPBM.dll" consumer/
  check_host "find_package, import library" "$wine" consumer/host.exe
else
  check_host "find_package" consumer/host
  export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
  # shellcheck disable=SC2046,SC2086
  "$compiler" $flags "$source_dir/examples/minimal_host.c" -o minimal_host_pc \
    $(pkg-config --cflags --libs quentarpbm) -Wl,-rpath,"$prefix/lib"
  check_host "pkg-config" ./minimal_host_pc
fi
# The README shows this host in full; its copy must be the file that was built.
if ! cmp -s "$source_dir/examples/minimal_host.c" <(awk '/^## A complete host in C/ { s = 1 }
    s && /^```$/ { exit } s == 2 { print } s && /^```c$/ { s = 2 }' "$source_dir/README.md"); then
  echo "FAIL: README.md's host differs from examples/minimal_host.c"
  failures=$((failures + 1))
fi
echo "installed package checks done, $failures failed"
[[ $failures -eq 0 ]]
