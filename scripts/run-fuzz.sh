#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets of the decoders of outside input with clang (build-fuzz, -DZNK_FUZZ=ON)
# and runs each for a bounded time: FUZZ_SECONDS (default 60) per target. Optional arguments name the
# targets to run (those of `targets` below). Crashing inputs are kept in build-fuzz/fuzz-artifacts;
# the corpus grows in build-fuzz/fuzz-corpus and is reused next time. JOBS (default: the number of
# processors) is how many compilations run at once.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"
# Server replies and a query's exchange with its server, the Web API's list of servers, then remote-console replies and output
# streams, the game's and the mod's files (bot.cfg, option files and the pages that read them,
# map cycle and maps, the registry stand-in, imported playlists, the logo clip), the program's
# own files, and MP3 files.
targets=(players rules info a2s_info split exchange master_won master_steam web_api ping_text
         rcon rcon_stream bot_cfg cvar client_options server_options map_cycle registry playlist avi
         servers friends settings options recent_servers console_history tags mp3_measure)
if [ $# -gt 0 ]; then
  targets=("$@")
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZNK_FUZZ=ON >/dev/null
if ! grep -q 'build fuzz/fuzz_players' "$build/build.ninja"; then
  echo "No fuzz targets: the top-level CMakeLists.txt needs add_subdirectory(fuzz)" >&2
  exit 1
fi
ninja -C "$build" -j "${JOBS:-$(nproc)}" $(printf 'fuzz_%s ' "${targets[@]}")

corpus="$build/fuzz-corpus"
artifacts="$build/fuzz-artifacts"
logs="$build/fuzz-logs"
mkdir -p "$artifacts" "$logs"

# A few well-formed replies to start from; libFuzzer mutates them from there.
seed() { # target, file name, printf format of the bytes
  mkdir -p "$corpus/$1"
  printf "$3" > "$corpus/$1/$2"
}
H='\xff\xff\xff\xff'
seed players two "${H}D\x02\x01Tamsin\x00\x07\x00\x00\x00\x66\x66\xfb\x42\xc8Mira\x00\xfd\xff\xff\xff\x9a\x99\x6f\x42"
seed players none "${H}D\x00"
seed rules two "${H}E\x02\x00mp_timelimit\x0030\x00sv_gravity\x00800\x00"
seed rules negative "${H}E\xff\xffa\x001\x00"
seed a2s_info source "${H}I\x30Harbour Night\x00dock_2\x00znk\x00ZNK Team Play\x00\x46\x00\x0b\x10\x03dl\x01\x011.1.2.2\x00\x80\x87\x69"
seed a2s_info goldsrc "${H}m127.0.0.1:27015\x00Quarry Old\x00pit\x00znk\x00ZNK Team Play\x00\x02\x0c\x2fLw\x00\x01http://mod.example\x00http://dl.example\x00\x00\x01\x00\x00\x00\x00\x10\x00\x00\x00\x01\x01\x02"
seed a2s_info challenge "${H}A\x78\x56\x34\x12"
seed split three "\x0e\x00\xfe\xff\xff\xff\x07\x00\x00\x00\x13\xff\xff\xff\xff\x45\x0b\x00\xfe\xff\xff\xff\x07\x00\x00\x00\x03a\x00\x0b\x00\xfe\xff\xff\xff\x07\x00\x00\x00\x231\x00"
seed info full "${H}infostringresponse\x00\\\\protocol\\\\46\\\\hostname\\\\Zone Night\\\\map\\\\quarryway\\\\description\\\\Capture mode\\\\players\\\\7\\\\max\\\\16\\\\type\\\\d\\\\os\\\\l\\\\password\\\\0\x00"
seed info runs "${H}infostringresponse\x00\\\\\\\\hostname\\\\\\\\map\\\\x\\\\max"
seed master_won two "${H}\x66\x0d\x00\x00\x00\x01\xc0\xa8\x01\x02\x69\x87\x0a\x00\x00\x01\x69\x88\x00\x00\x00\x00\x00\x00"
seed master_steam two "${H}\x66\x0a\xc0\xa8\x01\x02\x69\x87\x0a\x00\x00\x01\x69\x88\x00\x00\x00\x00\x00\x00"
# The Web API's list: its first byte is the limit (here 3 and 1).
seed web_api list '\x02{"response":{"servers":[{"addr":"10.0.0.1:27016","gameport":27015,"steamid":"90071992547409920","name":"Dusk Canyon","appid":70,"gamedir":"znk","version":"1.1.2.7/Stdio","product":"valve","region":255,"players":3,"max_players":16,"bots":1,"map":"dusk_canyon","secure":true,"dedicated":false,"os":"l","gametype":"ctf"},{"addr":"169.254.7.8:27015","name":"Relayed\\u0000"},{"addr":"bad"},{"addr":"10.0.0.2:1","players":"3"}]}}'
seed web_api empty '\x00{"response":{}}'
seed web_api odd '\x00 {"x":[{"response":1}],"response":{"servers":[{"addr":"10.0.0.3:2","name":"Caf\xe9","later":{"a":[1,2.5,null]}}]}} '
seed ping_text stamp '\x05\x07\x2a59-59-900'
seed ping_text answer '\x01\x02\x0335'
# A reply filled to 681 entries and beyond, so the cap is reached from the start.
{ printf "${H}\x66\x0a"; for i in $(seq 700); do printf '\x0a\x00\x01\x02\x69\x87'; done; } > "$corpus/master_steam/full"
mkdir -p "$corpus/master_won"
{ printf "${H}\x66\x0d\x00\x00\x00\x00"; for i in $(seq 700); do printf '\x0a\x00\x01\x02\x69\x87'; done; } > "$corpus/master_won/full"

# The tag reader: an ID3v2.3 tag of compressed frames (the kind that once ended the program), one
# of UTF-16 text with a genre by number, an ID3v1 tag; each before three silent MPEG 1 frames.
frames() { for i in 1 2 3; do printf '\xff\xfb\x90\x00'; head -c 413 /dev/zero; done; }
mkdir -p "$corpus/tags"
{ printf 'ID3\x03\x00\x00\x00\x00\x00>TIT2\x00\x00\x00\x16\x00\x80\x00\x00\x00\x07x\x01\x01\x07\x00\xf8\xff\x00Packed\x07\xc7\x02ITCON\x00\x00\x00\x14\x00\x80\x00\x00\x00\x05x\x01\x01\x05\x00\xfa\xff\x00(17)\x01\xcf\x00\xba'
  frames; } > "$corpus/tags/compressed"
{ printf 'ID3\x03\x00\x00\x00\x00\x00&TIT2\x00\x00\x00\x0d\x00\x00\x01\xff\xfeT\x00h\x00\xe8\x00m\x00e\x00TCON\x00\x00\x00\x05\x00\x00\x00(17)'
  frames; } > "$corpus/tags/utf16"
{ frames; printf 'TAGTitle'; head -c 119 /dev/zero; printf '\x11'; } > "$corpus/tags/v1"

seed rcon challenge "${H}challenge rcon 3141592653\n\x00"
seed rcon output "${H}lhostname: Zone Night\nmap: quarryway\nplayers: 3 active (16 max)\n\n\x00\x00"
seed rcon part "${H}lfirst part of a long li"
seed rcon empty "${H}l\x00\x00"
seed bot_cfg both '# bots for the night\r\nbotdontshoot 1\r\nbot_chat_percent "25"\r\naddbot "1" "3" "Tamsin Okoro" "2"\r\npause "5"\r\naddsbot "2" "1"\r\nbot_fill full_good\r\n\r\n\f"numbots"\t\t"4"\r\n"bot_skill"\t\t"2"\r\n"botmeleepercent"\t\t"70"\r\n'
seed bot_cfg alone 'addbot "" "" "" ""\nobserver 1\rpause 3\n'
seed cvar plain 'name "Tamsin"\r\nsensitivity "3.5"\r\nbind "w" "+forward"\r\nbind "SPACE" "+jump"\r\n'
seed cvar tabbed '"mp_timelimit"\t\t"30"\r\n"numbots"\t\t"4"\r\n"mp_friendlyfire"\t\t"0"'
seed cvar words 'game "Zone  Night"\rgamedll "dlls\\znk.dll\nsay "one two" three  four "five\n'
seed playlist m3u '\x00\xef\xbb\xbf#EXTM3U\r\n#EXTINF:187,Band - Song\r\n/music/one.mp3\r\nmp3/two.mp3\n\r\n'
seed playlist pls '\x01[playlist]\r\nFile1=/music/one.mp3\r\nTitle1=one\r\nLength1=187\r\nFile3=two.mp3\r\nNumberOfEntries=3\r\nVersion=2\r\n'
seed servers both '[10.0.0.1:27015]\r\nName=Zone Night\r\nMap=quarryway\r\nPing=35\r\nPlayers=3/16\r\nInfo=Capture mode|Dedicated//Linux Server|Password: No\r\n[10.0.0.2:27016]\r\nName=10.0.0.2:27016\r\nMap=\r\nPing=???\r\nPlayers=\r\nInfo=\f[Servers]\r\n1=10.0.0.1:27015\r\n2=10.0.0.3:27017\r\nTotal=3\r\n[Favorites]\r\n1=10.0.0.2:27016\r\nTotal=2\r\n'
seed servers records '[10.0.0.1:27015]\nName=Zone\nPing=12-30-450\n\n[10.0.0.9:1]\nName=after the blank line\n'
seed friends names 'Tamsin\r\nMira\r\n\r\ncorvin\r\nTAMSIN\r\n'
seed friends bare 'one\rtwo\nthree'

# znktool.conf: the texts at their widths, then flags and little-endian numbers.
field() { printf '%s' "$1"; head -c $(( $2 - ${#1} )) /dev/zero; }
mkdir -p "$corpus/settings"
{ field /home/tamsin/hl/hl.sh 300; field znk 20; field '-nojoy -noipx' 1000; field 192.0.2.10 100
  printf '\x01\x00\x01\x00\x00\x01' # always on top, console, dust trails, 3D rocks, 32 bpp, numeric ping
  printf '\x02\x00\x00\x00\x01\x00\x00\x00\x00\x00\x80\x3f\x00\x00\x00\x00' # fx, beam, time-out 1.0, priority
  printf '\x01\x00\x00\x00\x01\x02\x00\x00\x00\x00\x00'  # sort columns and flags, WON master
  field 'Zone Night' 200
  printf '\x01\x00\x87\x69\x00\x00\x10\x00\x00\x00\x00\x01' # dedicated, LAN, port 27015, 16 players, MP3 flags
} > "$corpus/settings/record"
head -c 1420 "$corpus/settings/record" > "$corpus/settings/short"

# The logo clip: a 2 x 2 palettised movie of two frames, stored as rows or BI_RLE8, the second
# frame an empty chunk (a repeat).
le32() { printf "\\\\x%02x\\\\x%02x\\\\x%02x\\\\x%02x" $(( $1 & 255 )) $(( ($1 >> 8) & 255 )) $(( ($1 >> 16) & 255 )) $(( $1 >> 24 )); }
avi() { # compression, frame chunk id, frame bytes (printf format, 8 bytes)
  printf "RIFF$(le32 248)AVI LIST$(le32 200)hdrl"
  printf "avih$(le32 56)$(le32 100000)"; head -c 52 /dev/zero
  printf "LIST$(le32 124)strlstrh$(le32 56)vids"; head -c 16 /dev/zero
  printf "$(le32 1)$(le32 10)"; head -c 28 /dev/zero
  printf "strf$(le32 48)$(le32 40)$(le32 2)$(le32 2)\\x01\\x00\\x08\\x00$(le32 $1)$(le32 8)"
  printf "$(le32 0)$(le32 0)$(le32 2)$(le32 0)\\x00\\x00\\xff\\x00\\xff\\xff\\xff\\x00"
  printf "LIST$(le32 28)movi$2$(le32 8)$3$2$(le32 0)"
}
mkdir -p "$corpus/avi"
avi 0 00db '\x00\x01\x00\x00\x01\x00\x00\x00' > "$corpus/avi/rows"
avi 1 00dc '\x02\x00\x00\x00\x02\x01\x00\x01' > "$corpus/avi/rle"

# A query's exchange: its set-up byte (requests, dialect, what is known), then each reply led by
# its length byte.
datagrams() { # target, file name, set-up byte, then each datagram (printf formats)
  local dir="$corpus/$1" file="$2" setup="$3" d n
  shift 3
  mkdir -p "$dir"
  { printf "$setup"
    for d in "$@"; do
      n=$(printf "$d" | wc -c)
      printf "$(printf '\\x%02x' "$n")"
      printf "$d"
    done; } > "$dir/$file"
}
I="${H}I\x30Harbour Night\x00dock_2\x00znk\x00ZNK Team Play\x00\x46\x00\x0b\x10\x03dl\x01\x011.1.2.2\x00\x80\x87\x69"
D="${H}D\x02\x01Tamsin\x00\x07\x00\x00\x00\x66\x66\xfb\x42\xc8Mira\x00\xfd\xff\xff\xff\x9a\x99\x6f\x42"
E="${H}E\x02\x00mp_timelimit\x0030\x00sv_gravity\x00800\x00"
C="${H}infostringresponse\x00\\\\hostname\\\\Zone Night\\\\map\\\\quarryway\\\\players\\\\7\\\\max\\\\16\\\\type\\\\d\\\\password\\\\0\x00"
datagrams exchange a2s '\x27' "${H}A\x78\x56\x34\x12" "$I" "${H}A\x21\x43\x65\x07" "$D" "$E"
datagrams exchange probe '\x07' "${H}A\x01\x02\x03\x04" "$I" "${H}A\x05\x06\x07\x08" "$D" "$E"
datagrams exchange classic '\x07' "$C" "$D" "$E"
datagrams exchange refusals '\xa6' "${H}A\x01\x00\x00\x00" "${H}A\x02\x00\x00\x00" "${H}A\x03\x00\x00\x00" \
  "${H}A\x04\x00\x00\x00" "${H}A\x05\x00\x00\x00" "$D"
datagrams exchange chosen '\x13' "$C" "${H}A\x01\x02\x03\x04" "$I" "$D"

# A console's output: a byte that says how to cut it, then the text.
seed rcon_stream lines '\x05hostname: Zone Night\nmap: quarryway\nplayers: 3 active (16 max)\n'
seed rcon_stream utf8 '\x03Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xae na\xc3\xafve\n'
seed rcon_stream latin1 '\x02Caf\xe9 na\xefve\r\n\xc3'

seed console_history lines '127.0.0.1:27015\tstatus\r\n127.0.0.1:27015\tkick "Mira"\r\n10.0.0.2:27016\tmaps *\r\n127.0.0.1:27015\trcon_password hunter2\r\n127.0.0.1:27015\tsv_password x\r\n\tno address\r\nno tab\r\n127.0.0.1:27015\tstatus\n127.0.0.1:27015\t   \r'
# Led by a form feed, and one of the inputs so led that are repeated past the size limit; its last
# line starts with the bytes of a byte-order mark.
seed console_history large '\f127.0.0.1:27015\tstatus\r\n10.0.0.2:27016\tmaps *\r\n\xef\xbb\xbf127.0.0.1:27015\tsay 65\r\n'
seed recent_servers lines '1767225600\t127.0.0.1:27015\tZone Night\r\n1767139200\t10.0.0.2:27016\tHarbour\tNight\r\n1767000000\t127.0.0.1:27015\tolder\r\n12x\t10.0.0.3:27015\tbad time\r\n946684799\t10.0.0.4:27015\t1999\r\n1767225600\tnot.an.address\tx\r\n'
seed options all '[Query]\r\nDialect=A2S\r\nQueriesAtOnce=12\r\nLanTargets=127.0.0.1, 192.168.1.255,,\r\n\r\n[Filter]\r\nHideEmpty=1\r\nHideFull=0\r\nHidePassworded=1\r\nMaxPing=150\r\nText="harbor"\r\n[Hidden]\r\n127.0.0.1:27015=1\r\n10.0.0.2:27016=1\r\n[Watch]\r\nFavorites=1\r\nMinutes=15\r\n[Dialects]\r\n127.0.0.1:27016=Classic\r\n10.0.0.2:27016=A2S\r\n[Later]\r\nKey=kept\r\n; a comment\r\n'
# A filter text longer than the field, cut by the loader after a blank.
seed options web_api '[SteamWebApi]\r\nKey= 0123456789ABCDEF \r\nUrl="http://127.0.0.1:27050/"\r\nLimit=25000\r\n[MoreMasters]\r\n1=master.example.net:27011\r\n2= 10.0.0.5 \r\n3=10.0.0.5\r\n4=bad host:x\r\n[Query]\r\nQueryOnPing=1\r\n'
seed options long '[Filter]\r\nText=  Harbour Night, the long one, with its name cut right there: and more  \r\n[Query]\r\nLanTargets="127.0.0.1"\r\n'
seed options odd '\xef\xbb\xbf; by hand\n[query]\nqueriesatonce=0x10\nDialect = Classic\n[FILTER]\nMaxPing=-5\nText=  spaced  \n[Hidden]\nnot an address=1\n1.2.3.4x=1\n[Watch]\nMinutes=999'
seed map_cycle both 'dock_2\r\nquarryway\r\n\r\npit\r\nDock_2\fdock_2.bsp\nquarryway.bsp\nreadme.txt\nold.BSP\nfolder.bsp/\n.bsp\nline\x01break.bsp\n'
seed map_cycle bare '\xef\xbb\xbfpit\rdock_2'
seed registry key '[HKEY_CURRENT_USER\\Software\\Valve\\Half-Life\\Settings]\r\nEngineModeW=1024\r\nEngineModeH=768\r\nEngineModeWindowed=0x1\r\n[Other]\r\nEngineModeW=5\r\n'
seed registry missing '[Other]\r\nEngineModeW=5\r\n'
seed client_options both 'name "Tamsin"\r\ncl_himodels "1"\r\ncl_dusttrails "0"\r\nfps_max "100"\r\nnet_graph 0\r\nsensitivity\t"3.5"\r\ncl_fxquality "2"\r\ncl_beamquality "7"\r\nbind "w" "+forward"\r\nbind "SPACE" "+jump"\r\nbind mouse1 +attack\r\n\fgame "ZNK"\r\ngamedll "dlls\\hl.dll"\r\n'
seed client_options alone 'name\nname  "two  blanks"\nMP3Volume "0.5'
seed server_options three '"mp_wishlimit"\t\t"5"\r\n"mp_fraglimit"\t\t"30"\r\n"mp_timelimit"\t"20"\r\n"mp_falldamage"\t\t"0"\r\n"mp_gamemode"\t\t"2"\r\n"mp_friendlyfire"\t\t"0"\r\n"mp_footsteps"\t\t"1"\fmp_melee "1.0"\r\nsv_gravity "600"\r\n\fsv_gravity "800"\r\nsv_accelerate 10\r\n'
seed server_options alone '"mp_gamemode"\t\t"9"\n"mp_plcatchup"\n'

# MP3 files: MPEG 2.5 frames of 72 bytes (72 ms each), the first one an encoder header that
# claims far more frames than follow; MPEG 1 frames between an ID3v2 and an ID3v1 tag.
low() { for i in $(seq "$1"); do printf '\xff\xe3\x18\xc0'; head -c 68 /dev/zero; done; }
mkdir -p "$corpus/mp3_measure"
low 40 > "$corpus/mp3_measure/low"
{ printf '\xff\xe3\x18\xc0'; head -c 9 /dev/zero; printf 'Xing\x00\x00\x00\x01\x00\xff\xff\xff'; head -c 47 /dev/zero
  low 20; } > "$corpus/mp3_measure/xing"
{ printf 'ID3\x03\x00\x00\x00\x00\x00\x0dTIT2\x00\x00\x00\x03\x00\x00\x00ab'
  for i in $(seq 6); do printf '\xff\xfb\x90\x00'; head -c 413 /dev/zero; done
  printf 'TAGTitle'; head -c 119 /dev/zero; printf '\x11'; } > "$corpus/mp3_measure/tagged"

failed=()
printf '%-14s %8s %12s %10s %s\n' target seconds executions exec/s result
for t in "${targets[@]}"; do
  # Datagrams and small text files fit in 4300 bytes; a clip needs room for a few frames, a list
  # for a few servers.
  length=4300
  if [ "$t" = avi ] || [ "$t" = web_api ]; then
    length=16384
  fi
  options=(-max_total_time="$seconds" -max_len="$length" -timeout=10 -print_final_stats=1
           -artifact_prefix="$artifacts/$t-")
  if [ -f "$root/fuzz/$t.dict" ]; then
    options+=(-dict="$root/fuzz/$t.dict")
  fi
  log="$logs/$t.log"
  start=$(date +%s)
  if "$build/fuzz/fuzz_$t" "${options[@]}" "$corpus/$t" > "$log" 2>&1; then
    result=ok
  else
    result="FAILED (see $log)"
    failed+=("$t")
  fi
  elapsed=$(( $(date +%s) - start ))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  printf '%-14s %8s %12s %10s %s\n' "$t" "$elapsed" "${runs:-?}" "${rate:-?}" "$result"
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Failed: ${failed[*]}" >&2
  exit 1
fi
