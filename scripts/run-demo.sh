#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up a scratch copy of the demo install in run/ and starts ZNK Tool in it.
# With no display (or SCREENSHOTS=1) it takes the screenshots tour into run/screenshots.
# RUN_DIR chooses another scratch folder. The demo's Options.ini points Find LAN Servers at
# 127.0.0.1, so that the demo never broadcasts on the machine's networks, and the Steam Web API
# at the simulated one, with its key "demo". DEMO_PREPARE, when
# set, is a command run with the folder as its argument just before the program starts.
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
# A few short tunes in mp3/ and a playlist.txt naming them (absolute lines need this folder's path).
"$build/tools/mp3_writer/demo_music" "$run/game/znk"
# The simulated servers the demo browses: a master listing about thirty game servers, and the
# Steam Web API's list of them (and of two relayed ones) on the port 40 above the master's.
base="${DEMO_PORT_BASE:-27010}"
"$build/tools/simserver/simserver" "$top/tools/simserver/demo-today.ini" --port-base "$base" > "$run/simserver.log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  grep -q '^ready' "$run/simserver.log" 2>/dev/null && break
  kill -0 $sim 2>/dev/null || { cat "$run/simserver.log" >&2; exit 1; }
  sleep 0.1
done
# "Steam Default" lists the farm through the simulated Steam Web API the simulator announces.
webapi=$(sed -n 's/^webapi \(http[^ ]*\) .*/\1/p' "$run/simserver.log" | head -n 1)
"$build/tools/demo_setup/demo_setup" "$run" "127.0.0.1:$base" ${webapi:+"$webapi"}
# DEMO_READ_ONLY_SETTINGS=1 tries the program on a settings file it may not write.
if [ -n "${DEMO_READ_ONLY_SETTINGS:-}" ]; then chmod a-w "$run/znktool.conf"; fi
if [ -n "${DEMO_PREPARE:-}" ]; then eval "$DEMO_PREPARE \"\$run\""; fi

cd "$run"
if [ -n "${SCREENSHOTS:-}" ] || { [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; }; then
  echo "No display: taking the screenshots tour into $run/screenshots"
  QT_QPA_PLATFORM=offscreen "$build/znktool" --screenshots "$run/screenshots"
else
  "$build/znktool"
fi
