#!/usr/bin/env bash
# Checks the pnm_to_bmp host on good and bad files: the .bmp files it writes
# (decoded again by netpbm's bmptopnm), one plain-words line per failure
# naming the file (the format of a non-Netpbm image, and what is wrong with
# a file that does not open), no progress bar on a redirected stderr, no
# pixel file left behind, the output directory made when missing, paths
# joined with the platform's separator (once, after a folder given with one
# at its end), "--" ending the options, wildcards expanded by a Windows host,
# names with spaces and outside ASCII, an image larger than one view of the
# pixel file, --help and --version, and the exit status.
# Usage: check_host_cli.sh WORKDIR TEMPDIR CONVERTER-COMMAND...
# Runs inside WORKDIR with relative paths, so a Windows host under Wine sees
# the same files. TEMPDIR is where the host's temporary pixel files go. A
# converter ending in .exe is a Windows one.
set -euo pipefail
workdir=$1
tempdir=$2
shift 2
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$source_dir/scripts/lib/tools.sh"
require_tools bmptopnm pnmtopnm convert python3
# Wine reads the arguments, names with them, in the locale's character set.
export LC_ALL=C.UTF-8
windows=0 sep=/ device=/dev/null
if [[ ${!#} == *.exe ]]; then windows=1 sep='\' device=NUL; fi
rm -rf "$workdir"
mkdir -p "$workdir"
cd "$workdir"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
mkdir -p "$tempdir"
pixel_files() { find "$tempdir" -iname 'tp*.tmp' 2>/dev/null | wc -l; }
# decodes_to IMAGE BMP: the .bmp decodes to the image's pixels.
decodes_to() { cmp -s <(pnmtopnm "$1") <(bmptopnm "$2" 2>/dev/null | pnmtopnm); }

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
mkdir folder.pgm
mkfifo pipe.pgm
declare -A expected=(
  [missing.ppm]="there is no such file"
  [notes.txt/inner.pgm]="there is no such file"
  [folder.pgm]="this is a folder, not a file"
  [$device]="this is a device"
  [pipe.pgm]="this is a device"
  [drawing.bmp]="this is a Windows bitmap (.bmp), not a PBM, PGM or PPM image"
  [picture.gif]="this is a GIF image"
  [photo.jpg]="this is a JPEG image"
  [notes.txt]="nor any image format this program knows"
  [deep.pgm]="more than 8 bits per sample"
  [cut.ppm]="ends too early"
  [empty.pgm]="an image with no pixels"
)
bad=(missing.ppm drawing.bmp picture.gif photo.jpg notes.txt deep.pgm cut.ppm empty.pgm folder.pgm
  "$device" notes.txt/inner.pgm pipe.pgm)
# A socket is a file natively; a Windows program cannot open one at all.
if [[ $windows == 0 ]]; then
  python3 -c 'import socket; socket.socket(socket.AF_UNIX).bind("socket.pgm")'
  expected[socket.pgm]="this is a device"
  bad+=(socket.pgm)
fi

# All good: exit status 0, output directory made (two levels deep).
before=$(pixel_files)
status=0
"$@" -o made/here "${good[@]}" >good.out 2>good.err || status=$?
[[ $status -eq 0 ]] || fail "all-good run exited with $status"
[[ -s good.err ]] && fail "all-good run wrote to stderr: $(cat good.err)"
for image in "${good[@]}"; do
  bmp="made/here/${image%.*}.bmp"
  grep -qF "$image -> made/here$sep${image%.*}.bmp" good.out || fail "no success line for $image"
  decodes_to "$image" "$bmp" || fail "$bmp does not decode to $image"
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
  lines=$(grep -cF "$image: " mixed.lines || true)
  [[ $lines -eq 1 ]] || fail "$lines lines about $image, not 1"
  grep -F "$image: " mixed.lines | grep -qF "${expected[$image]}" ||
    fail "message for $image lacks '${expected[$image]}': $(grep -F "$image: " mixed.lines)"
  [[ -e "made/${image%.*}.bmp" ]] && fail "a .bmp was written for $image"
done
grep -qF "${#bad[@]} of $((${#bad[@]} + ${#good[@]})) files not converted" mixed.lines ||
  fail "no summary line"
[[ $(wc -l <mixed.lines) -eq $((${#bad[@]} + 1)) ]] || fail "unexpected stderr lines: $(cat mixed.lines)"
for image in "${good[@]}"; do
  [[ -s "made/${image%.*}.bmp" ]] || fail "made/${image%.*}.bmp missing in the mixed run"
done
[[ $(pixel_files) -eq $before ]] || fail "temporary pixel files left in $tempdir"

# An output folder that ends in a separator is joined without another one
# (on Windows either separator ends it); "--" ends the options, so that a
# file named like one converts.
cp ramp.pgm ./-dash.pgm
declare -A joined=([ends/]="ends/ramp.bmp")
[[ $windows == 1 ]] && joined['ends\']='ends\ramp.bmp'
for folder in "${!joined[@]}"; do
  "$@" -o "$folder" ramp.pgm >joined.out 2>&1 || fail "-o '$folder' exited with $?"
  grep -qxF "ramp.pgm -> ${joined[$folder]}" <(tr -d '\r' <joined.out) ||
    fail "-o '$folder' wrote '$(cat joined.out)', not 'ramp.pgm -> ${joined[$folder]}'"
  decodes_to ramp.pgm ends/ramp.bmp || fail "ends/ramp.bmp does not decode to ramp.pgm"
  rm -rf ends
done
status=0
"$@" -o dashed -- -dash.pgm >dashed.out 2>dashed.err || status=$?
[[ $status -eq 0 && ! -s dashed.err ]] || fail "'-- -dash.pgm' exited with $status: $(cat dashed.err)"
decodes_to ./-dash.pgm dashed/-dash.bmp || fail "dashed/-dash.bmp does not decode to -dash.pgm"

# Wildcards (which a Windows host expands itself, and a shell natively),
# including a pattern that matches nothing, and names with a space and
# outside ASCII. The converter and the shell see the same names.
mkdir samples
cp "$source_dir"/samples/*.p?m samples/
for name in "my image" "Grüße" "日本"; do cp ramp.pgm "$name.pgm"; done
if [[ $windows == 1 ]]; then
  patterns=('samples\*.pgm' 'samples/s?ripes.pbm' 'samples/none*.ppm')
else
  patterns=(samples/*.pgm samples/s?ripes.pbm samples/none*.ppm)
fi
status=0
"$@" -o names "${patterns[@]}" "my image.pgm" Grüße.pgm 日本.pgm >names.out 2>names.err || status=$?
tr -d '\r' <names.out >names.lines
[[ $status -eq 1 ]] || fail "names run exited with $status, not 1"
for image in samples/ramp.pgm samples/shade.pgm samples/stripes.pbm "my image.pgm" Grüße.pgm 日本.pgm; do
  name=$(basename "$image" | sed 's/\.p.m$//')
  grep -qF -- "-> names$sep$name.bmp" names.lines || fail "no success line for $image: $(cat names.lines)"
  decodes_to "$image" "names/$name.bmp" || fail "names/$name.bmp does not decode to $image"
done
[[ $(wc -l <names.lines) -eq 6 ]] || fail "other names converted: $(cat names.lines)"
[[ $(grep -c 'there is no such file' names.err) -eq 1 ]] ||
  fail "the pattern matching nothing is not one missing file: $(cat names.err)"

# An image larger than one view of the pixel file (64 MB): two rows of
# 32 MB and 4 bytes of a pattern that does not repeat at the views' edges.
# Its .bmp is the 1078 bytes of headers and grey table, then the rows
# bottom-up (a row of a multiple of 4 bytes has no padding).
width=33554436
{
  printf 'P5 %d 2 255\n' $width
  head -c $((2 * width)) < <(yes 0123456789)
} >wide.pgm
"$@" -o wide wide.pgm >/dev/null 2>&1 || fail "wide.pgm did not convert"
[[ $(stat -c %s wide/wide.bmp 2>/dev/null) == $((1078 + 2 * width)) ]] ||
  fail "wide/wide.bmp is not $((1078 + 2 * width)) bytes"
cmp -s <(tail -c $((2 * width)) wide/wide.bmp) <(tail -c $width wide.pgm; tail -c $((2 * width)) wide.pgm | head -c $width) ||
  fail "wide/wide.bmp does not hold wide.pgm's rows bottom-up"
rm -rf wide.pgm wide

# On a terminal (natively, through script(1)'s pseudo-terminal, or the
# console Wine makes of it) the bar shows, and names show as typed.
script -qec "$(printf '%q ' "$@") -o tty ramp.pgm Grüße.pgm 日本.pgm" /dev/null </dev/null >tty.out || true
# Wine's console redraws with escapes and moves the cursor over blanks:
# what it shows is compared without either.
sed 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/[[:space:]]//g' tty.out >tty.text
grep -qF ']100%' tty.text || fail "no progress bar on a terminal: $(cat -v tty.out)"
for name in Grüße 日本; do
  grep -qF "$name.pgm->tty$sep$name.bmp" tty.text || fail "$name not shown as typed: $(cat tty.text)"
done

# --help and --version (the project's version) on standard output; an
# unknown option and no arguments are usage errors.
version=$(sed -n 's/^project(QuentarPBM VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
output=$("$@" --version | tr -d '\r') || fail "--version exited with $?"
[[ $output == "pnm_to_bmp $version" ]] || fail "--version printed '$output', not 'pnm_to_bmp $version'"
"$@" --help | grep -q '^usage: pnm_to_bmp' || fail "--help printed no usage"
for arguments in "" "--frobnicate ramp.pgm" "-o"; do
  status=0
  # shellcheck disable=SC2086
  "$@" $arguments >/dev/null 2>&1 || status=$?
  [[ $status -eq 2 ]] || fail "'$arguments' exited with $status, not 2"
done

echo "host checks done, $failures failed"
[[ $failures -eq 0 ]]
