#!/usr/bin/env bash
# Checks that the library's folders call only downwards: each folder's
# includes against the folders it may use, and, in a built tree, that no
# object of netpbm/fast/ needs a function that only the readers above it
# define.
#
# Usage: check_layering.sh SOURCE_DIR [BUILD_DIR]
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
  echo "usage: $0 SOURCE_DIR [BUILD_DIR]" >&2
  exit 2
fi
src=$1/src
build=${2:-}
failed=0

# What each folder may include besides itself and the system's headers:
# folders (with their subfolders unless named), or single headers. A folder
# not listed here may include nothing of another.
declare -A allowed=(
  [common]="include"
  [platform]="include common"
  [identify]="include common platform"
  [netpbm/fast]="common netpbm/netpbm.h"
  [netpbm]="include common platform netpbm/fast"
  [dib]="include common platform netpbm"
  [entry]="include common platform identify netpbm dib"
  [wic]="include common platform identify netpbm/netpbm.h"
  [wic/com]="include common platform identify wic netpbm/netpbm.h"
)

# The deepest listed folder a file lies in.
folder_of() {
  local path=${1#"$src"/} best="" folder
  for folder in "${!allowed[@]}"; do
    if [[ $path == "$folder"/* && ${#folder} -gt ${#best} ]]; then best=$folder; fi
  done
  echo "$best"
}

# Whether a quoted include of folder's file is allowed.
include_allowed() {
  local folder=$1 included=$2 target
  [[ $included == */* ]] || return 0  # beside the file itself, or generated
  [[ $included == "$folder"/* && $(folder_of "$src/$included") == "$folder" ]] && return 0
  for target in ${allowed[$folder]}; do
    [[ $included == "$target" || $included == "$target"/* ]] && return 0
  done
  # The public headers are included by name alone.
  [[ $included == quentarpbm*.h ]]
}

checked=0
while IFS= read -r file; do
  folder=$(folder_of "$file")
  [[ -n $folder ]] || continue
  while IFS= read -r included; do
    checked=$((checked + 1))
    if ! include_allowed "$folder" "$included"; then
      echo "FAIL: ${file#"$1"/} ($folder/) includes $included"
      failed=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(find "$src" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
echo "includes: $checked checked against each folder's list"

# The calls: what fast/'s objects leave undefined must not be defined by the
# library's objects outside fast/ (the C and C++ runtimes are not checked).
if [[ -n $build ]]; then
  mapfile -t fast < <(find "$build" -path '*/netpbm/fast/*' -name '*.o' | sort)
  mapfile -t others < <(find "$build" -path '*/src/*' -name '*.o' ! -path '*/netpbm/fast/*' | sort)
  if [[ ${#fast[@]} -eq 0 || ${#others[@]} -eq 0 ]]; then
    echo "FAIL: no objects of netpbm/fast/ or of the rest of the library under $build"
    exit 1
  fi
  defined_above=$(nm --defined-only "${others[@]}" 2>/dev/null | awk 'NF == 3 && $2 ~ /[TWV]/ {print $3}' |
    sort -u)
  needed=$(nm --undefined-only "${fast[@]}" 2>/dev/null | awk 'NF >= 2 && $1 == "U" {print $2}' |
    sort -u)
  upward=$(comm -12 <(echo "$defined_above") <(echo "$needed"))
  if [[ -n $upward ]]; then
    echo "FAIL: netpbm/fast/ calls functions defined above it:"
    echo "$upward" | c++filt | sed 's/^/  /'
    failed=1
  else
    echo "calls: ${#fast[@]} objects of netpbm/fast/ need nothing of the other ${#others[@]}"
  fi
fi
exit "$failed"
