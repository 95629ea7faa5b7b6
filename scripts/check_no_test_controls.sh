#!/usr/bin/env bash
# Checks that a shipped library carries none of the stand-in's test controls
# (fault injection, call and live-object counts) nor the scanners' level switch:
# those are linked into tests only.
# Usage: check_no_test_controls.sh LIBRARY
set -euo pipefail
library=$1
found=$(nm -C "$library" | grep -E 'Standin(FailCall|CallCount|LiveHandles|Reset|StartTempNameCounter)|InjectedFailure|InjectedTempNameCounter|ChangeLiveObjects|LimitSimdLevel|SimdLevelLimit' || true)
if [[ -n $found ]]; then
  echo "test controls in $library:"
  echo "$found"
  exit 1
fi
echo "no test controls in $library"
