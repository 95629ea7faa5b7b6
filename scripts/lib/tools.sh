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
  # What apt says goes to the terminal and to a file, whose warning and error
  # lines are kept when a 32-bit package does not install.
  local - said attempt
  set -o pipefail
  said=$(mktemp)
  # A mirror caught mid-sync fails one index now and then; the others still
  # serve, so a failed update is retried and then only reported.
  for attempt in 1 2; do
    $sudo apt-get update -qq 2>&1 | tee -a "$said" && break
    echo "apt-get update failed (attempt $attempt of 2)" >&2
    [[ $attempt -lt 2 ]] && sleep 5
  done
  if DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" 2>&1 | tee -a "$said"; then
    rm -f "$said" "$(wine32_install_log)"
    return 0
  fi
  # An i386 index that failed to update leaves the 32-bit packages unable to
  # match the 64-bit ones; everything else still installs, and the 32-bit
  # Wine tests are then skipped with a note that quotes apt
  # (note_why_no_32bit_programs).
  local native=() i386=()
  for package in "${missing[@]}"; do
    if [[ $package == *:i386 ]]; then i386+=("$package"); else native+=("$package"); fi
  done
  if [[ ${#i386[@]} -eq 0 ]]; then
    rm -f "$said"
    return 1
  fi
  echo "NOTE: could not install ${i386[*]} from the archive; installing the rest." >&2
  mkdir -p "$(dirname "$(wine32_install_log)")"
  grep -E '^(E|W|Err):' "$said" | awk '!seen[$0]++' >"$(wine32_install_log)" || true
  rm -f "$said"
  [[ ${#native[@]} -eq 0 ]] ||
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${native[@]}"
}

# Where install_missing_packages keeps apt's own warning and error lines
# when a 32-bit package did not install, for the note that says why.
wine32_install_log() {
  echo "$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/wine32-install.log"
}

# True when the kernel executes 32-bit x86 programs. Some run none (built
# without IA-32 emulation, started with ia32_emulation=off, or under a
# hypervisor that offers no 32-bit mode). Asked by running a 96-byte static
# i386 program that needs no 32-bit library: an ELF header, one loadable
# segment, and "mov ebx, 42; mov eax, 1 (exit); int 0x80".
kernel_runs_32bit_programs() {
  local folder status=0
  folder=$(dirname "$(wine32_install_log)")
  mkdir -p "$folder"
  folder=$(mktemp -d "$folder/i386-exit.XXXXXX")
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$folder/exit42"
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$folder/exit42"
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >>"$folder/exit42"
  printf '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' >>"$folder/exit42"
  printf '\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00' >>"$folder/exit42"
  printf '\x00\x10\x00\x00\xbb\x2a\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80' >>"$folder/exit42"
  chmod +x "$folder/exit42"
  "$folder/exit42" 2>/dev/null || status=$?
  rm -rf "$folder"
  [[ $status -eq 42 ]]
}

# True when 32-bit Windows programs run here: the kernel executes 32-bit x86
# programs and Wine's 32-bit half (wine32:i386, whose loader is
# /usr/lib/wine/wine) is installed and starts.
runs_32bit_programs() {
  kernel_runs_32bit_programs && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Prints NOTE lines saying why 32-bit Windows programs do not run here, for
# a script to follow with what it does instead: the kernel refuses them, or
# Wine's 32-bit half is missing (with the install's own words, and how to
# add it later), or it is there but does not start.
note_why_no_32bit_programs() {
  if ! kernel_runs_32bit_programs; then
    echo "NOTE: this machine's kernel executes no 32-bit x86 programs (built without IA-32"
    echo "NOTE: emulation, ia32_emulation=off, or a hypervisor without a 32-bit mode),"
    echo "NOTE: so Wine cannot start one."
    return 0
  fi
  if [[ -x /usr/lib/wine/wine ]]; then
    echo "NOTE: the kernel runs 32-bit x86 programs, but Wine's 32-bit loader does not start:"
    /usr/lib/wine/wine --version 2>&1 | head -n 3 | sed 's/^/NOTE:   /'
    return 0
  fi
  echo "NOTE: the kernel runs 32-bit x86 programs, but Wine's 32-bit half (wine32:i386) is"
  echo "NOTE: not installed."
  local log
  log=$(wine32_install_log)
  if [[ -s $log ]]; then
    echo "NOTE: scripts/install-deps.sh could not install it; apt said:"
    sed 's/^/NOTE:   /' "$log"
  else
    echo "NOTE: no install message was kept ($log is missing)."
  fi
  echo "NOTE: to add it later, as root: dpkg --add-architecture i386 && apt-get update &&"
  echo "NOTE:   apt-get install wine32:i386"
}
