#!/usr/bin/env bash
# Runs every fuzz target of a sanitizer build tree for SECONDS each, over its seed corpus
# (tests/fuzz/seeds/<name>) and a working corpus in the tree, and prints how many inputs each
# ran. A crash, leak, sanitizer report, time-out or failed check fails the run; the input
# that caused it is kept in BUILD/fuzz-artifacts.
# Usage: run.sh BUILD SECONDS
set -u
build=$1
seconds=$2
seeds=$(cd "$(dirname "$0")" && pwd)/seeds
mkdir -p "$build/fuzz-corpus" "$build/fuzz-logs" "$build/fuzz-artifacts"
failed=()
summary=()
for exe in "$build"/tests/fuzz/fuzz_*; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe")
  short=${name#fuzz_}
  corpus=$build/fuzz-corpus/$short
  log=$build/fuzz-logs/$name.log
  mkdir -p "$corpus"
  [ -d "$seeds/$short" ] || { echo "$name: no seed corpus in $seeds/$short"; failed+=("$name"); continue; }
  "$exe" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=1024 -malloc_limit_mb=128 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/$name-" \
    "$corpus" "$seeds/$short" > "$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  units=$(ls "$corpus" | wc -l)
  summary+=("$(printf '%-26s %10s runs  %5s corpus inputs  %s' "$name" "${runs:-?}" "$units" \
    "$([ $rc -eq 0 ] && echo ok || echo FAILED)")")
  if [ $rc -ne 0 ]; then
    failed+=("$name")
    echo "---- $name failed (exit $rc); the end of $log:"
    tail -40 "$log"
  fi
done
printf '%s\n' "fuzzing, ${seconds} s per target:" "${summary[@]}"
[ ${#failed[@]} -eq 0 ] || { echo "fuzz targets failed: ${failed[*]}"; exit 1; }
