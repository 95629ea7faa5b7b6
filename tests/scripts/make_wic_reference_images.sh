#!/usr/bin/env bash
# Makes the WIC codec's reference images: make_reference_images.sh's sources and 16-bit ones,
# each beside netpbm's raw decoding of it scaled to the range WIC's format has; and a file of
# several images beside netpbm's own split of it.
#
# Usage: make_wic_reference_images.sh OUTPUT_DIR
#
# wic_manifest.txt lists "SOURCE EXPECTED" per line. EXPECTED is raw (P4, P5
# or P6): PBM as netpbm reads it, PGM and PPM with maxval 255 through
# "pamdepth 255" (maxval up to 255) or 65535 through "pamdepth 65535" (maxval
# above 255), the scaling the codec applies: (v * outMax + maxval / 2) / maxval.
# multi_manifest.txt has one line: "SOURCE EXPECTED..." for each image of
# the multi-image file, as pnmsplit splits it.
set -euo pipefail

if [[ $# -ne 1 ]]; then
  echo "usage: $0 OUTPUT_DIR" >&2
  exit 2
fi
out=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/tools.sh"
require_tools pgmramp rgb3toppm pnmtopnm pamdepth pamfile pnmsplit

bash "$here/make_reference_images.sh" "$out" >/dev/null
cd "$out"

# Samples above 255: maxval 65535 and 1000, raw and plain, grey and colour.
for depth in 65535 1000; do
  pgmramp -diag 17 9 | pamdepth "$depth" >"deep$depth-17x9.raw.pgm"
  pgmramp -lr 13 6 >red.tmp
  pgmramp -tb 13 6 >green.tmp
  pgmramp -diag 13 6 >blue.tmp
  rgb3toppm red.tmp green.tmp blue.tmp | pamdepth "$depth" >"deep$depth-13x6.raw.ppm"
  for name in "deep$depth-17x9" "deep$depth-13x6"; do
    for raw in "$name".raw.*; do
      pnmtopnm -plain <"$raw" >"${raw/.raw./.plain.}"
    done
  done
done
rm -f red.tmp green.tmp blue.tmp

# write_expected SOURCE: SOURCE.wic, netpbm's decoding of it in WIC's range.
write_expected() {
  local source=$1 format maxval depth
  read -r format maxval < <(pamfile -machine "$1" | awk '{print $2, $7}')
  if [[ $format == PBM ]]; then
    pnmtopnm <"$source" >"$source.wic"
  else
    if ((maxval > 255)); then depth=65535; else depth=255; fi
    pamdepth "$depth" <"$source" | pnmtopnm >"$source.wic"
  fi
}

: >wic_manifest.txt
for source in *.pbm *.pgm *.ppm; do
  write_expected "$source"
  echo "$source $source.wic" >>wic_manifest.txt
done

# Raw and plain images of each format one after another, as netpbm's tools
# write a stream of images; pnmsplit gives each back.
cat rgb-33x17.raw.ppm diag-9x9.plain.pgm dither-7x4.raw.pbm deep1000-13x6.plain.ppm \
  dither-33x17.plain.pbm deep65535-17x9.raw.pgm >multi.pnm
pnmsplit multi.pnm "multi-part-%d.pnm" 2>/dev/null
line=multi.pnm
for ((i = 0; i < 6; ++i)); do
  write_expected "multi-part-$i.pnm"
  line+=" multi-part-$i.pnm.wic"
done
echo "$line" >multi_manifest.txt
echo "$(wc -l <wic_manifest.txt) WIC reference images and a file of 6 in $out"
