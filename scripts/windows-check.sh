#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `make windows-check`: builds the model library and its tests for 64-bit Windows with MinGW-w64
# and runs the tests under Wine, in a Wine prefix of the build folder's own (the user's ~/.wine
# is never touched). No display is needed: the tests are a console program.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${WINDOWS_BUILD:-build-windows}
JOBS=${JOBS:-$(nproc)}

bash scripts/install-deps.sh windows

# -O2 as the Linux build: at -O3 GCC 12 warns falsely inside its own string and vector code.
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DZNK_MODEL_ONLY=ON -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"
fi
cmake --build "$BUILD" -j "$JOBS" --target znk_model_tests arg_recorder

# Debian's wine64 package puts its loader in /usr/lib/wine; the wine package adds /usr/bin/wine.
WINE=""
for candidate in wine64 /usr/lib/wine/wine64 wine; do
  if command -v "$candidate" >/dev/null 2>&1; then
    WINE=$(command -v "$candidate")
    break
  fi
done
if [ -z "$WINE" ]; then
  echo "windows-check: no wine64 or wine found" >&2
  exit 1
fi
WINESERVER=$(dirname "$WINE")/wineserver
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)

export WINEPREFIX="$PWD/$BUILD/wine"
export WINEDEBUG=-all
# No Mono or Gecko (nothing here needs them, and their installers would ask), no display.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "windows-check: making the Wine prefix $WINEPREFIX"
  "$WINE" wineboot --init >/dev/null 2>&1
fi
# Wine's display driver without a display: windows are made and listed, none is shown (the
# game-window wait is tried against real windows).
if ! grep -qs '"Graphics"="null"' "$WINEPREFIX/user.reg"; then
  "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  "$WINESERVER" -k >/dev/null 2>&1 || true # the desktop started before it keeps the old driver
fi

log="$BUILD/windows-tests.log"
set +e
"$WINE" "$BUILD/tests/znk_model_tests.exe" --gtest_color=no "$@" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
set -e
"$WINESERVER" -k >/dev/null 2>&1 || true

# GoogleTest's counts as one plain line (Windows' runtime ends the lines with CR LF).
count() { tr -d '\r' <"$log" | sed -n "$1" | tail -n 1; }
passed=$(count 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p')
skipped=$(count 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}, listed below.*/\1/p')
failed=$(count 's/^ *\([0-9]*\) FAILED TESTS\{0,1\}.*/\1/p')
if [ "$status" -ne 0 ] && [ -z "$failed" ]; then
  failed=1 # ended before its summary
fi
echo "windows-check: ${passed:-0} passed, ${failed:-0} failed, ${skipped:-0} skipped"
exit "$status"
