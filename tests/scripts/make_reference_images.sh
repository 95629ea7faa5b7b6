#!/usr/bin/env bash
# Makes Netpbm reference images with Debian's netpbm tools, each beside netpbm's own plain decoding.
#
# Usage: make_reference_images.sh OUTPUT_DIR
#
# OUTPUT_DIR receives, for several sizes, raw and plain PBM, PGM and PPM files
# (P1..P6) and for each one SOURCE.plain, written by pnmtoplainpnm from that
# same file. manifest.txt lists one case per line: the format to read the
# source as (pbm, pgm or ppm), the source and the plain reference. Promotion
# cases (PBM and PGM read as PPM) use ppmtoppm's output as their reference.
# Netpbm writes the raw variants by default and "pnmtopnm -plain" the plain ones.
set -euo pipefail

if [[ $# -ne 1 ]]; then
  echo "usage: $0 OUTPUT_DIR" >&2
  exit 2
fi
out=$1

# No silent skip: without netpbm the comparison would prove nothing.
source "$(dirname "$0")/../../scripts/lib/tools.sh"
require_tools pgmramp pamditherbw pamtopnm rgb3toppm pnmtopnm pnmtoplainpnm ppmtoppm pamdepth

rm -rf "$out"
mkdir -p "$out"
cd "$out"
: >manifest.txt

# add_case FORMAT SOURCE REFERENCE_COMMAND...: the reference is the command's
# output with the source on standard input.
add_case() {
  local format=$1 source=$2 reference=$3
  shift 3
  "$@" <"$source" >"$reference"
  echo "$format $source $reference" >>manifest.txt
}

# add_image FORMAT NAME: NAME.raw.FORMAT (P4, P5 or P6) from
# standard input, NAME.plain.FORMAT (P1/P2/P3) from it, each with its reference.
add_image() {
  local format=$1 name=$2
  cat >"$name.raw.$format"
  pnmtopnm -plain <"$name.raw.$format" >"$name.plain.$format"
  for variant in raw plain; do
    local source=$name.$variant.$format
    add_case "$format" "$source" "$source.plain" pnmtoplainpnm
    # A PBM file read as colour has maxval 1 (white 1), netpbm's own
    # promotion has 255: pamdepth brings it to 1 without any other change.
    if [[ $format == pbm ]]; then
      add_case ppm "$source" "$source.as-ppm.plain" sh -c 'ppmtoppm | pamdepth 1 | pnmtoplainpnm'
    elif [[ $format == pgm ]]; then
      add_case ppm "$source" "$source.as-ppm.plain" sh -c 'ppmtoppm | pnmtoplainpnm'
    fi
  done
}

sizes="1x1 2x3 3x2 4x5 5x1 6x7 7x4 8x3 9x9 33x17 301x203"
for size in $sizes; do
  width=${size%x*}
  height=${size#*x}
  pgmramp -diag "$width" "$height" | pamditherbw | pamtopnm | add_image pbm "dither-$size"
  pgmramp -diag "$width" "$height" | add_image pgm "diag-$size"
  pgmramp -lr "$width" "$height" >red.tmp
  pgmramp -tb "$width" "$height" >green.tmp
  pgmramp -diag "$width" "$height" >blue.tmp
  rgb3toppm red.tmp green.tmp blue.tmp | add_image ppm "rgb-$size"
done
rm -f red.tmp green.tmp blue.tmp

# Samples stay as stored, so a small maxval must come through unscaled.
for size in 5x3 17x9; do
  pgmramp -maxval 15 -diag "${size%x*}" "${size#*x}" | add_image pgm "maxval15-$size"
done

echo "$(wc -l <manifest.txt) reference cases in $out"
