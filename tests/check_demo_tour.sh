#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the demo's screenshots tour and checks what it leaves behind.
set -euo pipefail

# Run by run-demo.sh (DEMO_PREPARE) just before the program starts: the files of a user who has
# used the program before, and a copy of every file of the folder, to compare with afterwards.
if [ "${1:-}" = --prepare ]; then
  run=$2
  printf '1765000000\t127.0.0.1:29999\tAn Earlier Join\r\n' > "$run/RecentServers.txt"
  printf '127.0.0.1:29999\tstatus\r\n' > "$run/ConsoleHistory.txt"
  chmod 600 "$run/ConsoleHistory.txt"
  printf 'Tamsin\r\n' > "$run/Friends.txt"
  printf '[Hidden]\r\n127.0.0.1:29998=1\r\n' >> "$run/Options.ini"
  rm -rf "$run.before"
  mkdir -p "$run.before"
  find "$run" -maxdepth 1 -type f ! -name simserver.log -exec cp -p {} "$run.before/" \;
  exit 0
fi

build=$1
top=$(cd "$(dirname "$0")/.." && pwd)
log="$RUN_DIR.stderr"
before="$RUN_DIR.before"
# An unattended tour must end on its own whatever the program has to say.
rc=0
DEMO_PREPARE="bash $(printf %q "$0") --prepare" timeout 120 bash "$top/scripts/run-demo.sh" "$build" \
  > /dev/null 2> "$log" || rc=$?
if [ $rc != 0 ]; then
  cat "$log"; echo "the tour ended with status $rc (124: it did not end by itself)"; exit 1
fi
cat "$log" >&2
shots="$RUN_DIR/screenshots"
count=$(find "$shots" -name '*.png' -size +100c | wc -l)
[ "$count" -ge 8 ] || { echo "expected at least 8 screenshots in $shots, found $count"; exit 1; }
size=$(stat -c %s "$RUN_DIR/znktool.conf")
[ "$size" -eq 1665 ] || { echo "znktool.conf is $size bytes after shut-down"; exit 1; }
[ -s "$RUN_DIR/game/znk/media/logo.avi" ] || { echo "no logo in the demo"; exit 1; }
[ -s "$shots/mp3-info.png" ] || { echo "no Mp3 Info window in the tour"; exit 1; }
for shot in browser-filtered recent-servers rcon-console rcon-console-history options; do
  [ -s "$shots/$shot.png" ] || { echo "no $shot picture in the tour"; exit 1; }
done
# The demo's LAN search stays on this machine.
grep -q "^LanTargets=127.0.0.1" "$before/Options.ini" || { echo "the demo's LAN targets are not 127.0.0.1"; exit 1; }
# So does its Steam Web API.
grep -q "^Url=http://127.0.0.1:" "$before/Options.ini" || { echo "the demo's Web API is not on 127.0.0.1"; exit 1; }
# Two joins, both of servers on this machine (the stand-in client notes each start).
launches="$RUN_DIR/game/launch.log"
[ "$(grep -c ' client ' "$launches")" = 2 ] || { cat "$launches"; echo "the tour did not join two servers"; exit 1; }
[ "$(grep -o '\[+connect\] \[[^]]*\]' "$launches" | grep -vc '\[+connect\] \[127\.')" = 0 ] ||
  { cat "$launches"; echo "the tour joined a server away from this machine"; exit 1; }
# Every file of the folder as it was before the tour, bytes and permissions; nothing new beside.
for file in "$before"/*; do
  name=$(basename "$file")
  cmp -s "$file" "$RUN_DIR/$name" || { echo "the tour changed $name"; diff "$file" "$RUN_DIR/$name" | head; exit 1; }
  [ "$(stat -c %a "$file")" = "$(stat -c %a "$RUN_DIR/$name")" ] || { echo "the tour changed the mode of $name"; exit 1; }
done
for file in "$RUN_DIR"/*; do
  name=$(basename "$file")
  [ -d "$file" ] || [ "$name" = simserver.log ] || [ -e "$before/$name" ] || { echo "the tour left $name"; exit 1; }
done
if [ -n "${DEMO_READ_ONLY_SETTINGS:-}" ]; then
  grep -q "cannot write .*znktool.conf" "$log" || { echo "the unwritable settings file was not reported"; exit 1; }
fi
echo "demo tour: $count screenshots"
