#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every benchmark program of BUILD/bench (the bench_* executables; CMake's bench_*_autogen
# folders beside them are no programs) and fails when one of them fails, after running the rest.
#
#   run-bench.sh BUILD [benchmark options...]
set -uo pipefail
build=${1:?usage: run-bench.sh BUILD [benchmark options...]}
shift
failed=()
ran=0
for b in "$build"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  ran=$((ran + 1))
  "$b" "$@"
  status=$?
  [ "$status" -eq 0 ] || failed+=("$(basename "$b") (status $status)")
done
if [ "$ran" -eq 0 ]; then
  echo "No benchmark programs in $build/bench" >&2
  exit 1
fi
if [ ${#failed[@]} -gt 0 ]; then
  echo "Failed: ${failed[*]}" >&2
  exit 1
fi
