#!/usr/bin/env bash
# Builds the reply decoders' libFuzzer targets with clang (build-fuzz, -DZNK_FUZZ=ON) and runs each
# for a bounded time: FUZZ_SECONDS (default 60) per target. Optional arguments name the targets to
# run (players rules info master_won master_steam ping_text tags). Crashing inputs are kept in
# build-fuzz/fuzz-artifacts; the corpus grows in build-fuzz/fuzz-corpus and is reused next time.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"
targets=(players rules info master_won master_steam ping_text tags)
if [ $# -gt 0 ]; then
  targets=("$@")
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZNK_FUZZ=ON >/dev/null
if ! grep -q 'build fuzz/fuzz_players' "$build/build.ninja"; then
  echo "No fuzz targets: the top-level CMakeLists.txt needs add_subdirectory(fuzz)" >&2
  exit 1
fi
ninja -C "$build" $(printf 'fuzz_%s ' "${targets[@]}")

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
seed players two "${H}D\x02\x01Gordon\x00\x07\x00\x00\x00\x66\x66\xfb\x42\xc8Alyx\x00\xfd\xff\xff\xff\x9a\x99\x6f\x42"
seed players none "${H}D\x00"
seed rules two "${H}E\x02\x00mp_timelimit\x0030\x00sv_gravity\x00800\x00"
seed rules negative "${H}E\xff\xffa\x001\x00"
seed info full "${H}infostringresponse\x00\\\\protocol\\\\46\\\\hostname\\\\Zone Night\\\\map\\\\crossfire\\\\description\\\\Capture mode\\\\players\\\\7\\\\max\\\\16\\\\type\\\\d\\\\os\\\\l\\\\password\\\\0\x00"
seed info runs "${H}infostringresponse\x00\\\\\\\\hostname\\\\\\\\map\\\\x\\\\max"
seed master_won two "${H}\x66\x0d\x00\x00\x00\x01\xc0\xa8\x01\x02\x69\x87\x0a\x00\x00\x01\x69\x88\x00\x00\x00\x00\x00\x00"
seed master_steam two "${H}\x66\x0a\xc0\xa8\x01\x02\x69\x87\x0a\x00\x00\x01\x69\x88\x00\x00\x00\x00\x00\x00"
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

failed=()
printf '%-14s %8s %12s %10s %s\n' target seconds executions exec/s result
for t in "${targets[@]}"; do
  options=(-max_total_time="$seconds" -max_len=4300 -timeout=10 -print_final_stats=1
           -artifact_prefix="$artifacts/$t-")
  if [ "$t" = info ]; then
    options+=(-dict="$root/fuzz/info.dict")
  fi
  if [ "$t" = tags ]; then
    options+=(-dict="$root/fuzz/tags.dict")
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
