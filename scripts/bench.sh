#!/usr/bin/env bash
# Times PBMOpen against the floors and the peer readers on large, medium and tiny
# images that the benchmark makes itself, and prints the table of medians.
# Usage: bash scripts/bench.sh [quentarpbm_bench options, e.g. --runs 3]
# The images (about 430 MB) live in build/bench-images and are deleted at the
# end unless KEEP_BENCH_IMAGES=1.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
source scripts/lib/tools.sh
# The peers: libnetpbm, FreeImage and stb_image, as Debian packages them.
install_missing_packages libnetpbm-dev libfreeimage-dev libstb-dev

cmake --preset bench >/dev/null
cmake --build --preset bench

images=build/bench-images
[[ "${KEEP_BENCH_IMAGES:-0}" == 1 ]] || trap 'rm -rf "$images"' EXIT
build/bench/bin/quentarpbm_bench --dir "$images" "$@"
