#!/usr/bin/env bash
# The main job: builds the library (native and the Windows DLL) and converts
# the bundled samples to .bmp files with the command-line host, on Linux and
# on Windows under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
for preset in native-release mingw32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

mkdir -p out/linux out/windows
echo "== Linux (libquentarpbm.so) =="
build/native-release/bin/pnm_to_bmp -o out/linux samples/*.p?m
echo "== Windows (QUENTARPBM.dll under Wine) =="
source build/mingw32/wine_env.sh
"$wine" build/mingw32/bin/pnm_to_bmp.exe -o out/windows samples/*.p?m
echo "The .bmp files are in $PWD/out/linux and $PWD/out/windows."
