#!/bin/sh
# Demo stand-in for the game client. It starts nothing: it only records how it was started,
# so that a user of the demo can see the exact command line ZNK Tool would use.
log="$(dirname "$0")/launch.log"
{
  printf '%s client  cwd=%s  args:' "$(date '+%Y-%m-%d %H:%M:%S')" "$(pwd)"
  for a in "$@"; do printf ' [%s]' "$a"; done
  printf '\n'
} >> "$log"
