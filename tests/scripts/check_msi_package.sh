#!/usr/bin/env bash
# Builds both installers twice, at two different moments, from BUILD64 and the mingw32
# preset's build (brought up to date first with what they hold), and checks that each comes
# out byte for byte the same; leaves them in WORKDIR/msi for the tests that read them. Then
# signs the x64 installer with a throwaway certificate: osslsigncode, given that certificate
# as its only trusted root, must accept the installer and each program and DLL inside it.
# Usage: check_msi_package.sh BUILD64 WORKDIR
set -euo pipefail
build64=$(cd "$1" && pwd)
work=$(realpath -m "$2")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build32=$source_dir/build/mingw32
rm -rf "$work"
mkdir -p "$work"
# The 32-bit codec (and, for the x86 installer, the 32-bit programs) come from
# the 32-bit preset's own build, as the release takes them.
(cd "$source_dir" && { [[ -f $build32/CMakeCache.txt ]] || cmake --preset mingw32 >/dev/null; } &&
  cmake --build "$build32" --target quentarpbm quentarpbm_wic pnm_to_bmp viewer >/dev/null)
failures=0
for arch in x64 x86; do
  first=$(bash "$source_dir/scripts/package_msi.sh" "$build64" "$build32" "$work/msi" "$arch")
  sleep 1
  second=$(bash "$source_dir/scripts/package_msi.sh" "$build64" "$build32" "$work/again" "$arch")
  if cmp "$first" "$second"; then
    echo "$(basename "$first"): the same bytes twice, $(stat -c %s "$first") bytes," \
      "sha256 $(sha256sum <"$first" | cut -c1-16)..."
  else
    echo "FAIL: $(basename "$first") differs between two packings"
    failures=$((failures + 1))
  fi
done

openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=QUENTARPBM test signer" \
  -addext extendedKeyUsage=codeSigning -addext basicConstraints=critical,CA:TRUE \
  -keyout "$work/signer.key" -out "$work/signer.pem" 2>/dev/null
signed=$(QUENTARPBM_SIGN_CERT=$work/signer.pem QUENTARPBM_SIGN_KEY=$work/signer.key \
  bash "$source_dir/scripts/package_msi.sh" "$build64" "$build32" "$work/signed" x64)
mkdir -p "$work/signed/files"
(cd "$work/signed/files" && msiextract "$signed" >/dev/null)
count=0
while IFS= read -r file; do
  count=$((count + 1))
  osslsigncode verify -CAfile "$work/signer.pem" -in "$file" >"$work/verify.log" 2>&1 ||
    { echo "FAIL: ${file#"$work"/signed/} is not signed: $(tail -n 3 "$work/verify.log")"; failures=$((failures + 1)); }
done < <(find "$signed" "$work/signed/files" -type f \( -name '*.msi' -o -name '*.dll' -o -name '*.exe' \))
[[ $count -eq 6 ]] || { echo "FAIL: $count signed files checked, not the installer and its five"; failures=$((failures + 1)); }
echo "signed x64 installer: it and the $((count - 1)) programs and DLLs inside verified"
echo "installer packing checks done, $failures failed"
[[ $failures -eq 0 ]]
