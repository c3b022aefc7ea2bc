#!/usr/bin/env bash
# Runs the demo's screenshots tour and checks what it leaves behind.
set -euo pipefail
build=$1
top=$(cd "$(dirname "$0")/.." && pwd)
log="$RUN_DIR.stderr"
# An unattended tour must end on its own whatever the program has to say.
if ! timeout 120 bash "$top/scripts/run-demo.sh" "$build" > /dev/null 2> "$log"; then
  cat "$log"; echo "the tour did not end by itself"; exit 1
fi
cat "$log" >&2
shots="$RUN_DIR/screenshots"
count=$(find "$shots" -name '*.png' -size +100c | wc -l)
[ "$count" -ge 8 ] || { echo "expected at least 8 screenshots in $shots, found $count"; exit 1; }
size=$(stat -c %s "$RUN_DIR/znktool.conf")
[ "$size" -eq 1665 ] || { echo "znktool.conf is $size bytes after shut-down"; exit 1; }
[ -s "$RUN_DIR/game/znk/media/logo.avi" ] || { echo "no logo in the demo"; exit 1; }
[ -s "$shots/mp3-info.png" ] || { echo "no Mp3 Info window in the tour"; exit 1; }
for shot in browser-filtered recent-servers rcon-console-history options; do
  [ -s "$shots/$shot.png" ] || { echo "no $shot picture in the tour"; exit 1; }
done
grep -q "127.0.0.1:" "$RUN_DIR/RecentServers.txt" || { echo "the tour's joins were not remembered"; exit 1; }
# What the tour chose to show is put back: the demo starts unfiltered, nothing hidden.
! grep -qs "^\[Filter\]\|^\[Hidden\]" "$RUN_DIR/Options.ini" || { echo "the tour left its choices in Options.ini"; exit 1; }
if [ -n "${DEMO_READ_ONLY_SETTINGS:-}" ]; then
  grep -q "cannot write .*znktool.conf" "$log" || { echo "the unwritable settings file was not reported"; exit 1; }
fi
echo "demo tour: $count screenshots"
