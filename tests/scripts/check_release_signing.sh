#!/usr/bin/env bash
# Packs BUILD_DIR's Windows release archive signed with a throwaway
# self-signed certificate, and unsigned twice. osslsigncode, given that
# certificate as its only trusted root, must accept the signed archive's
# QUENTARPBM.dll, QuentarPbmWic.dll, pnm_to_bmp.exe and viewer.exe, and
# refuse them under another certificate and unsigned; every other member
# must be the unsigned archive's, and the unsigned archive must pack byte for
# byte the same.
# Usage: check_release_signing.sh BUILD_DIR WORKDIR PLATFORM
set -euo pipefail
build=$(cd "$1" && pwd)
work=$2
platform=$3
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
source "$scripts/lib/tools.sh"
require_tools openssl osslsigncode
rm -rf "$work"
mkdir -p "$work"
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for signer in signer other; do
  openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=QUENTARPBM test $signer" \
    -addext extendedKeyUsage=codeSigning -addext basicConstraints=critical,CA:TRUE \
    -keyout "$signer.key" -out "$signer.pem" 2>/dev/null
done
# The unsigned archive is packed again after the signed one, at another moment.
unsigned=$(bash "$scripts/package_release.sh" "$build" unsigned "$platform")
signed=$(QUENTARPBM_SIGN_CERT=signer.pem QUENTARPBM_SIGN_KEY=signer.key \
  bash "$scripts/package_release.sh" "$build" signed "$platform")
again=$(bash "$scripts/package_release.sh" "$build" again "$platform")
cmp -s "$unsigned" "$again" || fail "the unsigned archive packs differently each time"
mkdir -p unpacked/unsigned unpacked/signed
(cd unpacked/unsigned && cmake -E tar xf "$unsigned")
(cd unpacked/signed && cmake -E tar xf "$signed")

package=$(basename "$signed" .zip)
signed_files=(bin/QUENTARPBM.dll bin/QuentarPbmWic.dll bin/pnm_to_bmp.exe bin/viewer.exe)
for file in "${signed_files[@]}"; do
  if ! osslsigncode verify -CAfile signer.pem -in "unpacked/signed/$package/$file" >verify.log 2>&1; then
    fail "$file: signature refused: $(cat verify.log)"
  elif ! grep -q 'Message digest algorithm *: SHA256' verify.log; then
    fail "$file: not signed with SHA-256: $(cat verify.log)"
  fi
  osslsigncode verify -CAfile other.pem -in "unpacked/signed/$package/$file" >/dev/null 2>&1 &&
    fail "$file: accepted under a certificate that did not sign it"
  osslsigncode verify -CAfile signer.pem -in "unpacked/unsigned/$package/$file" >/dev/null 2>&1 &&
    fail "$file: the unsigned archive's copy passes as signed"
done
differences=$(diff -rq unpacked/unsigned unpacked/signed || true)
[[ $(sed -n "s|^Files unpacked/unsigned/$package/\([^ ]*\) and .*|\1|p" <<<"$differences" | sort) == \
  "$(printf '%s\n' "${signed_files[@]}" | sort)" ]] ||
  fail "signing changed other members than the three, or not all of them: $differences"
echo "release signing checks done, $failures failed"
[[ $failures -eq 0 ]]
