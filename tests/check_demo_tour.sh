#!/usr/bin/env bash
# Runs the demo's screenshots tour and checks what it leaves behind.
set -euo pipefail
build=$1
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/run-demo.sh" "$build" > /dev/null
shots="$RUN_DIR/screenshots"
count=$(find "$shots" -name '*.png' -size +100c | wc -l)
[ "$count" -ge 8 ] || { echo "expected at least 8 screenshots in $shots, found $count"; exit 1; }
size=$(stat -c %s "$RUN_DIR/znktool.conf")
[ "$size" -eq 1665 ] || { echo "znktool.conf is $size bytes after shut-down"; exit 1; }
[ -s "$RUN_DIR/game/znk/media/logo.avi" ] || { echo "no logo in the demo"; exit 1; }
echo "demo tour: $count screenshots"
