#!/usr/bin/env bash
# Checks that every C and C++ source in the repository follows the committed
# .clang-format; lists the files that do not.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/tools.sh
require_tools clang-format git

unformatted=()
while IFS= read -r file; do
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done < <(git ls-files '*.c' '*.cpp' '*.h')
if [[ ${#unformatted[@]} -gt 0 ]]; then
  echo "not formatted as .clang-format says (clang-format -i FILE):"
  printf '  %s\n' "${unformatted[@]}"
  exit 1
fi
echo "every source follows .clang-format"
