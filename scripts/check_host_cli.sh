#!/usr/bin/env bash
# Checks the pnm_to_bmp host on good and bad files: the .bmp files it writes
# (decoded again by netpbm's bmptopnm), one plain-words line per failure
# naming the file (and the format of a non-Netpbm image), no progress bar on
# a redirected stderr, no pixel file left behind, the output directory made
# when missing, and the exit status.
# Usage: [HOST_CLI_TTY_CHECK=1] check_host_cli.sh WORKDIR TEMPDIR CONVERTER-COMMAND...
# Runs inside WORKDIR with relative paths, so a Windows host under Wine sees
# the same files. TEMPDIR is where the host's temporary pixel files go.
set -euo pipefail
workdir=$1
tempdir=$2
shift 2
source "$(dirname "$0")/lib/tools.sh"
require_tools bmptopnm pnmtopnm convert
rm -rf "$workdir"
mkdir -p "$workdir"
cd "$workdir"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
mkdir -p "$tempdir"
pixel_files() { find "$tempdir" -iname 'tp*.tmp' 2>/dev/null | wc -l; }

# Good files, in three variants.
printf 'P1\n3 2\n1 0 1\n0 1 0\n' >checker.pbm
printf 'P2 2 2 255 0 64 128 255\n' >ramp.pgm
printf 'P6 2 1 255\n\377\0\0\0\0\377' >redblue.ppm
good=(checker.pbm ramp.pgm redblue.ppm)

# Bad files, each with the words its message must contain.
convert -size 2x2 xc:red drawing.bmp
convert -size 2x2 xc:red picture.gif
convert -size 2x2 xc:red photo.jpg
printf 'hello, world\n' >notes.txt
printf 'P5 1 1 65535\n\0\0' >deep.pgm
printf 'P3 2' >cut.ppm
printf 'P2 0 0 255\n' >empty.pgm
declare -A expected=(
  [missing.ppm]="could not be opened"
  [drawing.bmp]="this is a Windows bitmap (.bmp), not a PBM, PGM or PPM image"
  [picture.gif]="this is a GIF image"
  [photo.jpg]="this is a JPEG image"
  [notes.txt]="nor any image format this program knows"
  [deep.pgm]="more than 8 bits per sample"
  [cut.ppm]="ends too early"
  [empty.pgm]="an image with no pixels"
)
bad=(missing.ppm drawing.bmp picture.gif photo.jpg notes.txt deep.pgm cut.ppm empty.pgm)

# All good: exit status 0, output directory made (two levels deep).
before=$(pixel_files)
status=0
"$@" -o made/here "${good[@]}" >good.out 2>good.err || status=$?
[[ $status -eq 0 ]] || fail "all-good run exited with $status"
[[ -s good.err ]] && fail "all-good run wrote to stderr: $(cat good.err)"
for image in "${good[@]}"; do
  bmp="made/here/${image%.*}.bmp"
  grep -qF "$image -> $bmp" good.out || fail "no success line for $image"
  cmp -s <(pnmtopnm -plain "$image") <(bmptopnm "$bmp" 2>/dev/null | pnmtopnm -plain) ||
    fail "$bmp does not decode to $image"
done

# Good and bad mixed: exit status 1, one line per bad file, good ones written.
rm -rf made
status=0
"$@" -o made "${bad[0]}" "${good[0]}" "${bad[@]:1}" "${good[@]:1}" >mixed.out 2>mixed.err ||
  status=$?
tr -d '\r' <mixed.err >mixed.lines
[[ $status -eq 1 ]] || fail "mixed run exited with $status, not 1"
grep -qE '\] +[0-9]+%' mixed.err && fail "progress drawn on a redirected stderr"
for image in "${bad[@]}"; do
  lines=$(grep -c "^$image: " mixed.lines || true)
  [[ $lines -eq 1 ]] || fail "$lines lines about $image, not 1"
  grep "^$image: " mixed.lines | grep -qF "${expected[$image]}" ||
    fail "message for $image lacks '${expected[$image]}': $(grep "^$image: " mixed.lines)"
  [[ -e "made/${image%.*}.bmp" ]] && fail "a .bmp was written for $image"
done
grep -qF "${#bad[@]} of $((${#bad[@]} + ${#good[@]})) files not converted" mixed.lines ||
  fail "no summary line"
[[ $(wc -l <mixed.lines) -eq $((${#bad[@]} + 1)) ]] || fail "unexpected stderr lines: $(cat mixed.lines)"
for image in "${good[@]}"; do
  [[ -s "made/${image%.*}.bmp" ]] || fail "made/${image%.*}.bmp missing in the mixed run"
done
[[ $(pixel_files) -eq $before ]] || fail "temporary pixel files left in $tempdir"

# On a terminal (natively, through script(1)'s pseudo-terminal) the bar shows.
if [[ ${HOST_CLI_TTY_CHECK:-0} == 1 ]]; then
  script -qec "$(printf '%q ' "$@") -o tty ramp.pgm" /dev/null </dev/null >tty.out || true
  grep -qF '100%' tty.out || fail "no progress bar on a terminal: $(cat -v tty.out)"
fi

# Usage error.
status=0
"$@" >/dev/null 2>&1 || status=$?
[[ $status -eq 2 ]] || fail "no arguments exited with $status, not 2"

echo "host checks done, $failures failed"
[[ $failures -eq 0 ]]
