#!/usr/bin/env bash
# Checks that a shipped library or program carries none of the stand-in's
# test controls (fault injection, call and live-object counts, their state)
# nor the scanners' level switch: those are linked into tests only. The
# stand-in's seam (InjectedFailure and its kin) is in every build; as shipped
# it is standin_without_controls.cpp, which does nothing, so what is looked
# for is the controls' own functions and state.
# Usage: check_no_test_controls.sh LIBRARY
set -euo pipefail
library=$1
found=$(nm -C "$library" | grep -E 'Standin(FailCall|CallCount|LiveHandles|Reset|StartTempNameCounter|Controls)|LimitSimdLevel|SimdLevelLimit' || true)
if [[ -n $found ]]; then
  echo "test controls in $library:"
  echo "$found"
  exit 1
fi
echo "no test controls in $library"
