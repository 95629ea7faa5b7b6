# shellcheck shell=bash
# Sourced by the host checks: writes three small images into the current
# directory and defines check_host LABEL COMMAND..., which runs COMMAND on each
# image and counts in $failures every output line that is not the known size
# and top-left colour.
printf 'P3 2 1 255 255 128 0 0 0 255\n' >colour.ppm
printf 'P1 2 2 1 0 0 1\n' >bits.pbm
printf 'P2 1 1 255 64\n' >grey.pgm
declare -A expected=(
  [colour.ppm]="colour.ppm: 2 x 1, 24 bits per pixel, top-left pixel #ff8000"
  [bits.pbm]="bits.pbm: 2 x 2, 8 bits per pixel, top-left pixel #000000"
  [grey.pgm]="grey.pgm: 1 x 1, 8 bits per pixel, top-left pixel #404040"
)
failures=0
check_host() {
  local label=$1
  shift
  for image in "${!expected[@]}"; do
    output=$("$@" "$image" 2>/dev/null | tr -d '\r') || true
    if [[ $output != "${expected[$image]}" ]]; then
      echo "FAIL ($label): '$output', expected '${expected[$image]}'"
      failures=$((failures + 1))
    fi
  done
}
