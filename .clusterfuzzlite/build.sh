#!/bin/bash -eu
# Builds every fuzz target (fuzz/<name>_fuzzer.cpp) for ClusterFuzzLite and
# OSS-Fuzz, with the compilers, flags and engine they give ($CC, $CXX,
# $CFLAGS, $CXXFLAGS, $LIB_FUZZING_ENGINE), and puts into $OUT each
# <name>_fuzzer with its seed corpus (fuzz/corpus/<name>/ as
# <name>_fuzzer_seed_corpus.zip), the Netpbm dictionary and its options.
# scripts/check_clusterfuzzlite.sh runs it here as the engine does.
set -euo pipefail

# The engine runs this in the Dockerfile's WORKDIR, the checkout under $SRC.
[[ -f .clusterfuzzlite/project.yaml ]] || cd "$SRC/quentarpbm"

# The engine's flags alone: no build type adds its own optimisation, and
# warnings stay warnings under whichever clang the image has.
build=build/clusterfuzzlite
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER="$CC" -DCMAKE_CXX_COMPILER="$CXX" \
  -DCMAKE_C_FLAGS="$CFLAGS" -DCMAKE_CXX_FLAGS="$CXXFLAGS" \
  -DCMAKE_BUILD_TYPE= -DQUENTARPBM_WERROR=OFF -DQUENTARPBM_TESTS=OFF \
  -DQUENTARPBM_FUZZ=ON -DQUENTARPBM_FUZZ_ENGINE="$LIB_FUZZING_ENGINE"

names=()
for source in fuzz/*_fuzzer.cpp; do
  name=${source#fuzz/}
  names+=("${name%_fuzzer.cpp}")
done
cmake --build "$build" --target "${names[@]/%/_fuzzer}"

for name in "${names[@]}"; do
  fuzzer=${name}_fuzzer
  cp "$build/bin/$fuzzer" "$OUT/"
  rm -f "$OUT/${fuzzer}_seed_corpus.zip"
  if [[ -d fuzz/corpus/$name ]]; then
    (cd "fuzz/corpus/$name" && zip -q -X -r "$OUT/${fuzzer}_seed_corpus.zip" .)
  fi
  cp fuzz/netpbm.dict "$OUT/$fuzzer.dict"
  # As scripts/fuzz.sh: inputs up to 8 KiB reach every header and raster path.
  printf '[libfuzzer]\nmax_len = 8192\n' >"$OUT/$fuzzer.options"
done
