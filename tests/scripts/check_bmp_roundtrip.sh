#!/usr/bin/env bash
# Round trip through an independent decoder: images made by netpbm and
# ImageMagick in all six Netpbm variants are converted to .bmp by a host
# program, decoded again by netpbm's bmptopnm, and must match the source
# pixel for pixel.
# Usage: check_bmp_roundtrip.sh WORKDIR CONVERTER-COMMAND...
# The converter is run as: CONVERTER-COMMAND -o bmp FILE... inside WORKDIR,
# with relative paths, so a Windows host under Wine sees the same files.
set -euo pipefail
workdir=$1
shift
source "$(dirname "$0")/../../scripts/lib/tools.sh"
require_tools pgmramp pamditherbw rgb3toppm pnmtopnm pnmflip bmptopnm convert

rm -rf "$workdir"
mkdir -p "$workdir/bmp"
cd "$workdir"

images=()
for width in 1 2 3 4 5 6 7 8 9 33 301; do
  height=5
  pgmramp -lr "$width" "$height" >lr.tmp
  pgmramp -tb "$width" "$height" >tb.tmp
  pgmramp -diagonal "$width" "$height" >dg.tmp
  rgb3toppm lr.tmp tb.tmp dg.tmp >"w${width}_p6.ppm"
  pnmtopnm -plain "w${width}_p6.ppm" >"w${width}_p3.ppm"
  pnmflip -lr dg.tmp >"w${width}_p5.pgm"
  pnmtopnm -plain "w${width}_p5.pgm" >"w${width}_p2.pgm"
  pamditherbw -floyd dg.tmp 2>/dev/null | pnmtopnm >"w${width}_p4.pbm"
  pnmtopnm -plain "w${width}_p4.pbm" >"w${width}_p1.pbm"
  images+=("w${width}"_{p1.pbm,p2.pgm,p3.ppm,p4.pbm,p5.pgm,p6.ppm})
done
rm -f ./*.tmp
for width in 7 33 250; do
  convert -size "${width}x6" gradient:yellow-navy -depth 8 "im${width}_p6.ppm"
  convert -size "${width}x6" gradient:yellow-navy -depth 8 -compress none "im${width}_p3.ppm"
  convert -size "${width}x6" gradient:white-gray20 -depth 8 "im${width}_p5.pgm"
  convert -size "${width}x6" gradient:white-gray20 -depth 8 -compress none "im${width}_p2.pgm"
  convert -size "${width}x6" pattern:checkerboard -monochrome "im${width}_p4.pbm"
  convert -size "${width}x6" pattern:checkerboard -monochrome -compress none "im${width}_p1.pbm"
  images+=("im${width}"_{p1.pbm,p2.pgm,p3.ppm,p4.pbm,p5.pgm,p6.ppm})
done

"$@" -o bmp "${images[@]}" >/dev/null

failures=0
for image in "${images[@]}"; do
  bmp="bmp/${image%.*}.bmp"
  if ! cmp -s <(pnmtopnm -plain "$image") <(bmptopnm "$bmp" 2>/dev/null | pnmtopnm -plain); then
    echo "MISMATCH: $image"
    failures=$((failures + 1))
  fi
done
echo "${#images[@]} images round-tripped through bmptopnm, $failures mismatched"
[[ $failures -eq 0 ]]
