#!/usr/bin/env bash
# Sets up a scratch copy of the demo install in run/ and starts ZNK Tool in it.
# With no display (or SCREENSHOTS=1) it takes the screenshots tour into run/screenshots.
# RUN_DIR chooses another scratch folder.
set -euo pipefail
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$top" && cd "$build" && pwd)
run="${RUN_DIR:-$top/run}"

rm -rf "$run"
mkdir -p "$run"
cp -a "$top/demo/game" "$run/game"
mkdir -p "$run/game/znk/media"
QT_QPA_PLATFORM=offscreen "$build/tools/make_logo/make_logo" "$run/game/znk/media/logo.avi"
"$build/tools/demo_setup/demo_setup" "$run"

cd "$run"
if [ -n "${SCREENSHOTS:-}" ] || { [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; }; then
  echo "No display: taking the screenshots tour into $run/screenshots"
  QT_QPA_PLATFORM=offscreen "$build/znktool" --screenshots "$run/screenshots"
else
  "$build/znktool"
fi
