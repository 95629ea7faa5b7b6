# Shared by the scripts (sourced): checks for the tools a script runs, and
# installs Debian packages that are missing.

# Exits with one line naming every tool given that is not on the PATH.
require_tools() {
  local missing=() tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || missing+=("$tool")
  done
  if [[ ${#missing[@]} -gt 0 ]]; then
    echo "$(basename "$0"): missing tools: ${missing[*]}" >&2
    exit 1
  fi
}

# Installs those of the packages given that are not installed yet, adding
# the i386 architecture first when one of them needs it; as root or with sudo.
install_missing_packages() {
  local missing=() package sudo=""
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  echo "Installing: ${missing[*]}"
  [[ $(id -u) -eq 0 ]] || sudo="sudo"
  if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  # A mirror caught mid-sync fails one index now and then; the others still
  # serve, so a failed update is retried and then only reported.
  local attempt
  for attempt in 1 2; do
    $sudo apt-get update -qq && break
    echo "apt-get update failed (attempt $attempt of 2)" >&2
    [[ $attempt -lt 2 ]] && sleep 5
  done
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" &&
    return 0
  # An i386 index that failed to update leaves the 32-bit packages unable to
  # match the 64-bit ones; everything else still installs, and the 32-bit
  # Wine tests are then skipped with a note (see runs_32bit_programs).
  local native=() i386=()
  for package in "${missing[@]}"; do
    if [[ $package == *:i386 ]]; then i386+=("$package"); else native+=("$package"); fi
  done
  [[ ${#i386[@]} -gt 0 ]] || return 1
  echo "NOTE: could not install ${i386[*]} from the archive; installing the rest." >&2
  [[ ${#native[@]} -eq 0 ]] ||
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${native[@]}"
}

# True when this machine can execute 32-bit x86 programs, as 32-bit Wine's
# loader is. Some kernels run none (built without IA-32 emulation, or under a
# hypervisor that offers no 32-bit mode), and there Wine cannot start the
# 32-bit DLL's programs at all.
runs_32bit_programs() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}
