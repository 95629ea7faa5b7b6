#!/usr/bin/env bash
# Runs the Windows viewer under Wine on a virtual X display (Xvfb), takes
# screenshots until the image shows (bounded), and checks that a 4x2 image of
# four coloured 2x1 quadrants is painted scaled up to the window width with
# its 2:1 shape kept: red top left, green top right, blue bottom left, yellow
# bottom right, each a solid rectangle twice as wide as high. Everything it
# started is ended on exit, and the whole check is bounded in time.
# Usage: check_viewer_screenshot.sh WORKDIR WINE VIEWER-EXE
# WINEPREFIX must name the build's Wine prefix; no other Wine program may use
# it meanwhile, since the prefix's processes are ended at the close.
set -euo pipefail
workdir=$1
wine=$2
viewer=$3
source "$(dirname "$0")/../../scripts/lib/tools.sh"
require_tools Xvfb import convert timeout
wineserver=$(dirname "$(readlink -f "$(command -v "$wine")")")/wineserver
[[ -x $wineserver ]] || wineserver=$(command -v wineserver)
rm -rf "$workdir"
mkdir -p "$workdir"
cd "$workdir"
cp "$viewer" "$(dirname "$viewer")/QUENTARPBM.dll" .

xvfb_pid=""
viewer_pid=""
finish() {
  set +e
  [[ -n $viewer_pid ]] && kill "$viewer_pid" 2>/dev/null
  timeout 10 "$wineserver" -k 2>/dev/null
  [[ -n $viewer_pid ]] && wait "$viewer_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
}
trap finish EXIT

# 4x2 raw PPM, top row first: red red green green / blue blue yellow yellow.
printf 'P6 4 2 255\n\377\0\0\377\0\0\0\377\0\0\377\0\0\0\377\0\0\377\377\377\0\377\377\0' \
  >quadrants.ppm

# Xvfb picks a free display and writes its number to fd 3.
exec 3>display.txt
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp >xvfb.log 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 50); do [[ -s display.txt ]] && break; sleep 0.1; done
[[ -s display.txt ]] || { echo "Xvfb did not start"; cat xvfb.log; exit 1; }
export DISPLAY=":$(head -n 1 display.txt)"

# A Wine session started earlier without a display (by a console test) would
# keep its display-less desktop; end it so the viewer's session uses Xvfb.
timeout 10 "$wineserver" -k 2>/dev/null || true
"$wine" ./viewer.exe quadrants.ppm >viewer.log 2>&1 &
viewer_pid=$!

# Bounding box and pixel count of each colour, from ImageMagick's text dump.
measure() {
  import -window root -depth 8 txt:- 2>/dev/null | awk '
    /#FF0000/ { c = "red" } /#00FF00/ { c = "green" } /#0000FF/ { c = "blue" }
    /#FFFF00/ { c = "yellow" }
    c != "" {
      split($1, p, "[,:]"); x = p[1] + 0; y = p[2] + 0
      if (!(c in n)) { x0[c] = x; x1[c] = x; y0[c] = y; y1[c] = y }
      if (x < x0[c]) x0[c] = x; if (x > x1[c]) x1[c] = x
      if (y < y0[c]) y0[c] = y; if (y > y1[c]) y1[c] = y
      n[c]++; c = ""
    }
    END { for (k in n) print k, x0[k], y0[k], x1[k], y1[k], n[k] }'
}

declare -A box
verdict="the viewer window never showed the image"
for _ in $(seq 40); do
  sleep 0.5
  kill -0 "$viewer_pid" 2>/dev/null || { verdict="the viewer exited: $(cat viewer.log)"; break; }
  box=()
  while read -r colour left top right bottom count; do
    box[$colour]="$left $top $right $bottom $count"
  done < <(measure)
  [[ ${#box[@]} -eq 4 ]] || continue
  read -r rl rt rr rb rn <<<"${box[red]}"
  read -r gl gt gr gb gn <<<"${box[green]}"
  read -r bl bt br bb bn <<<"${box[blue]}"
  read -r yl yt yr yb yn <<<"${box[yellow]}"
  width=$((rr - rl + 1)) height=$((rb - rt + 1))
  problems=()
  for c in red green blue yellow; do
    read -r l t r b n <<<"${box[$c]}"
    ((n == (r - l + 1) * (b - t + 1))) || problems+=("$c is not one solid rectangle")
    (((r - l + 1) - width <= 1 && width - (r - l + 1) <= 1)) || problems+=("$c width differs")
    (((b - t + 1) - height <= 1 && height - (b - t + 1) <= 1)) || problems+=("$c height differs")
  done
  ((gl == rr + 1 && yl == br + 1)) || problems+=("green/yellow not right of red/blue")
  ((bt == rb + 1 && yt == gb + 1)) || problems+=("blue/yellow not below red/green")
  ((rl == bl && rt == gt)) || problems+=("quadrants not aligned")
  ((width * 2 >= 398 && width * 2 <= 402)) || problems+=("image is $((width * 2)) wide, not the window's 400")
  ((width - 2 * height <= 2 && 2 * height - width <= 2)) || problems+=("quadrant ${width}x$height is not 2:1")
  if [[ ${#problems[@]} -eq 0 ]]; then
    verdict=""
    break
  fi
  verdict="${problems[*]}"
done
if [[ -n $verdict ]]; then
  echo "FAIL: $verdict"
  for c in "${!box[@]}"; do echo "  $c: ${box[$c]}"; done
  exit 1
fi
echo "viewer painted the image at ${width}x$height per quadrant, colours in place"
