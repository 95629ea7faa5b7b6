#!/usr/bin/env bash
# Builds the release archives in one command: quentarpbm-VERSION-win32.zip,
# -win64.zip and -linux-x86_64.tar.gz, and the Windows installers
# quentarpbm-VERSION-x64.msi and -x86.msi, in dist/ or OUTDIR. Each comes from
# its preset's build directory, building only what ships. Given a certificate
# and its private key, the Windows archives' and installers' QUENTARPBM.dll,
# QuentarPbmWic.dll, pnm_to_bmp.exe and viewer.exe, and the installers
# themselves, are signed (Authenticode, SHA-256), with a time stamp from the
# RFC 3161 server named, if one is; the environment may give them instead.
# Usage: release.sh [--cert FILE --key FILE [--timestamp URL]] [OUTDIR]
#   or:  QUENTARPBM_SIGN_CERT=FILE QUENTARPBM_SIGN_KEY=FILE
#        [QUENTARPBM_TIMESTAMP_URL=URL] release.sh [OUTDIR]
set -euo pipefail
usage() {
  echo "usage: release.sh [--cert FILE --key FILE [--timestamp URL]] [OUTDIR]" >&2
  exit 2
}
while [[ $# -gt 0 ]]; do
  case $1 in
    --cert) [[ $# -ge 2 ]] || usage; QUENTARPBM_SIGN_CERT=$2; shift 2 ;;
    --key) [[ $# -ge 2 ]] || usage; QUENTARPBM_SIGN_KEY=$2; shift 2 ;;
    --timestamp) [[ $# -ge 2 ]] || usage; QUENTARPBM_TIMESTAMP_URL=$2; shift 2 ;;
    -*) usage ;;
    *) break ;;
  esac
done
[[ $# -le 1 ]] || usage
out=$(realpath -m "${1:-dist}")
if [[ -n ${QUENTARPBM_SIGN_CERT:-}${QUENTARPBM_SIGN_KEY:-} ]]; then
  if [[ -z ${QUENTARPBM_SIGN_CERT:-} || -z ${QUENTARPBM_SIGN_KEY:-} ]]; then
    echo "release.sh: signing needs both a certificate (--cert) and its key (--key)" >&2
    exit 2
  fi
  # Found from where the script was started, before it moves to the sources.
  QUENTARPBM_SIGN_CERT=$(realpath "$QUENTARPBM_SIGN_CERT")
  QUENTARPBM_SIGN_KEY=$(realpath "$QUENTARPBM_SIGN_KEY")
  export QUENTARPBM_SIGN_CERT QUENTARPBM_SIGN_KEY QUENTARPBM_TIMESTAMP_URL
else
  echo "NOTE: no certificate and key given: the Windows binaries are not signed."
fi
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
# release PRESET PLATFORM [TARGET...]: what ships, and the targets named.
release() {
  local preset=$1 platform=$2
  shift 2
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset" --target quentarpbm_shipped "$@"
  bash scripts/package_release.sh "build/$preset" "$out" "$platform"
}
release mingw32 win32
release mingw64 win64 wic_registry_source
# The installers take both Windows builds' files; the registry values come
# from the codec's table through the 64-bit build's generator, under Wine.
echo "=== installers ==="
for arch in x64 x86; do
  bash scripts/package_msi.sh build/mingw64 build/mingw32 "$out" "$arch"
done
release native-release "linux-$(uname -m)"
