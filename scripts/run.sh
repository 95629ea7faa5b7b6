#!/usr/bin/env bash
# The main job: builds the library (native and the Windows DLL) and converts
# the bundled samples to .bmp files with the command-line host, on Linux and
# on Windows under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
source scripts/lib/tools.sh
# The Windows host runs with the 32-bit DLL, the product, or with the 64-bit
# one where 32-bit Windows programs cannot run here (the kernel runs no 32-bit
# programs, or Wine's 32-bit half is missing).
windows=mingw32
presets=(native-release mingw32)
runs_32bit_programs || { windows=mingw64; presets+=(mingw64); }
# The library, the DLLs and the host programs: nothing of the tests.
for preset in "${presets[@]}"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target quentarpbm_shipped
done

mkdir -p out/linux out/windows
echo "== Linux (libquentarpbm.so) =="
build/native-release/bin/pnm_to_bmp -o out/linux samples/*.p?m
if [[ $windows == mingw64 ]]; then
  note_why_no_32bit_programs
  echo "NOTE: the 64-bit DLL stands in."
fi
echo "== Windows (QUENTARPBM.dll under Wine, $windows) =="
source "build/$windows/wine_env.sh"
"$wine" "build/$windows/bin/pnm_to_bmp.exe" -o out/windows samples/*.p?m
echo "The .bmp files are in $PWD/out/linux and $PWD/out/windows."
