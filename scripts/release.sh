#!/usr/bin/env bash
# Builds the release archives in one command: quentarpbm-VERSION-win32.zip,
# -win64.zip and -linux-x86_64.tar.gz, in dist/ or OUTDIR. Each comes from its
# preset's build directory, building only what ships.
# Usage: release.sh [OUTDIR]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-dist}

bash scripts/install-deps.sh
release() {
  local preset=$1 platform=$2
  shift 2
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset" --target "$@"
  bash scripts/package_release.sh "build/$preset" "$out" "$platform"
}
release mingw32 win32 quentarpbm quentarpbm_import_library pnm_to_bmp viewer
release mingw64 win64 quentarpbm quentarpbm_import_library pnm_to_bmp viewer
release native-release "linux-$(uname -m)" quentarpbm pnm_to_bmp
