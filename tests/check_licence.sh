#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails, listing the files, when a source file of the tree does not name its licence in an SPDX
# line among its first three lines, or when the licence text itself is missing.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
if [ ! -s LICENSE ] || ! grep -q 'GNU GENERAL PUBLIC LICENSE' LICENSE; then
  echo "LICENSE is missing or is not the GPL text" >&2
  exit 1
fi
bad=()
while IFS= read -r -d '' file; do
  if ! head -3 "$file" | grep -q 'SPDX-License-Identifier: '; then
    bad+=("$file")
  fi
done < <(find src tools tests fuzz bench packaging scripts cmake -type f \
           \( -name '*.cpp' -o -name '*.h' -o -name '*.sh' -o -name '*.cmake' -o -name 'CMakeLists.txt' \
              -o -name '*.desktop.in' -o -name '*.xml.in' \) -print0 | sort -z)
for file in CMakeLists.txt Makefile; do
  head -3 "$file" | grep -q 'SPDX-License-Identifier: ' || bad+=("$file")
done
if [ ${#bad[@]} -gt 0 ]; then
  printf 'No SPDX licence line:\n' >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "every source file names its licence"
