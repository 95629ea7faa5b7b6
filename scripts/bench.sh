#!/usr/bin/env bash
# Times PBMOpen against the floor and the peer readers on large, medium and tiny
# images that the benchmark makes itself, and prints the table of medians.
# Usage: bash scripts/bench.sh [quentarpbm_bench options, e.g. --runs 3]
# The images (about 430 MB) live in build/bench-images and are deleted at the
# end unless KEEP_BENCH_IMAGES=1.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
# The peers: libnetpbm, FreeImage and stb_image, as Debian packages them.
peers=(libnetpbm-dev libfreeimage-dev libstb-dev)
missing=()
for package in "${peers[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  sudo=""
  [[ $(id -u) -eq 0 ]] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUENTARPBM_BENCH=ON \
  -DQUENTARPBM_TESTS=OFF >/dev/null
cmake --build build/bench --target quentarpbm_bench

images=build/bench-images
[[ "${KEEP_BENCH_IMAGES:-0}" == 1 ]] || trap 'rm -rf "$images"' EXIT
build/bench/bin/quentarpbm_bench --dir "$images" "$@"
