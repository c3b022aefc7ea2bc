#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails, listing the files, when a C++ file of the tree differs from what .clang-format makes of
# it. The first argument names the clang-format to use (default: clang-format).
set -euo pipefail
format="${1:-clang-format}"
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
bad=()
while IFS= read -r -d '' file; do
  if ! "$format" --dry-run --Werror "$file" >/dev/null 2>&1; then
    bad+=("$file")
  fi
done < <(find src tests tools bench fuzz packaging \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
if [ ${#bad[@]} -gt 0 ]; then
  printf 'Not formatted (run: %s -i FILE):\n' "$format" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "every C++ file is formatted"
