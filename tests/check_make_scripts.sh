#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The helpers behind `make bench` and `make fuzz`, on stand-ins: the benchmark runner runs only
# programs and fails with a failing one; the fuzz build runs ninja with JOBS compilations.
#
#   check_make_scripts.sh SCRATCH
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
scratch=$1
rm -rf "$scratch"
mkdir -p "$scratch"
fail() { echo "FAIL: $*" >&2; exit 1; }

# A build folder with two benchmarks, CMake's autogen folder beside them, and a failing one.
bench() { # name, status
  printf '#!/bin/sh\necho "%s $*" >> "%s"\nexit %s\n' "$1" "$scratch/ran" "$2" > "$scratch/build/bench/$1"
  chmod +x "$scratch/build/bench/$1"
}
mkdir -p "$scratch/build/bench/bench_sort_autogen"
bench bench_sort 0
bench bench_music 0
rc=0
bash "$top/scripts/run-bench.sh" "$scratch/build" --benchmark_min_time=0 2>"$scratch/err" || rc=$?
[ $rc = 0 ] || fail "passing benchmarks gave status $rc: $(cat "$scratch/err")"
[ "$(sort "$scratch/ran" | xargs)" = "bench_music --benchmark_min_time=0 bench_sort --benchmark_min_time=0" ] ||
  fail "ran: $(cat "$scratch/ran")"
bench bench_broken 3
rm "$scratch/ran"
rc=0
bash "$top/scripts/run-bench.sh" "$scratch/build" 2>"$scratch/err" || rc=$?
[ $rc != 0 ] && grep -q "bench_broken (status 3)" "$scratch/err" || fail "a failing benchmark gave status $rc"
[ "$(wc -l < "$scratch/ran")" = 3 ] || fail "not every benchmark ran after the failing one: $(cat "$scratch/ran")"

# The fuzz build with cmake and ninja stand-ins: ninja notes its arguments and stops the script.
mkdir -p "$scratch/bin"
cat > "$scratch/bin/cmake" <<'STUB'
#!/bin/sh
while [ $# -gt 0 ]; do [ "$1" = -B ] && mkdir -p "$2" && echo 'build fuzz/fuzz_players: x' > "$2/build.ninja"; shift; done
STUB
printf '#!/bin/sh\necho "$@" > "%s"\nexit 1\n' "$scratch/ninja-args" > "$scratch/bin/ninja"
chmod +x "$scratch/bin/cmake" "$scratch/bin/ninja"
PATH="$scratch/bin:$PATH" JOBS=3 FUZZ_BUILD="$scratch/fuzz" bash "$top/scripts/run-fuzz.sh" players \
  >/dev/null 2>&1 && fail "the ninja stand-in did not stop the fuzz script"
grep -q -- "-j 3 " "$scratch/ninja-args" || fail "ninja ran as: $(cat "$scratch/ninja-args")"
# And make hands its JOBS on.
grep -q "^JOBS=3 bash scripts/run-fuzz.sh" <<<"$(make -n -C "$top" fuzz JOBS=3)" || fail "make fuzz does not pass JOBS"
grep -q "run-bench.sh $scratch/build\$" <<<"$(make -n -C "$top" bench BUILD="$scratch/build")" ||
  fail "make bench does not use run-bench.sh"
echo "run-bench.sh and run-fuzz.sh as expected"
