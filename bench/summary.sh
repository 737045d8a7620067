#!/usr/bin/env bash
# The summary of a benchmark run: each start-up figure against its reference, the ratio and
# the goal, printed and written to bench/summary.txt of the build tree (compare two runs with
# diff). Reads the figures the other scripts left in bench/figures.txt.
#   bench/summary.sh [build-dir]    (TESSEL_BENCH_TEMPLATE: the template measured instead)
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/win}" && pwd)
dist=$(sed -n 's/^TESSEL_DIST:PATH=//p' "$build/CMakeCache.txt")
figures=$build/bench/figures.txt
out=$build/bench/summary.txt
touch "$figures"
get() { sed -n "s/^$1 //p" "$figures" | tail -n 1; }
template=$(stat -c %s "${TESSEL_BENCH_TEMPLATE:-$dist/launcher.exe}" 2>/dev/null || echo 0)
{
  printf '%-46s %12s %12s %7s  %s\n' figure value reference ratio goal
  row() {  # name value reference unit scale goal
    local name=$1 value=$2 reference=$3 unit=$4 scale=$5 goal=$6
    if [ -z "$value" ] || [ -z "$reference" ]; then
      printf '%-46s %12s %12s %7s  %s\n' "$name" "-" "-" "-" "$goal (not measured)"
      return
    fi
    awk -v n="$name" -v v="$value" -v r="$reference" -v u="$unit" -v s="$scale" -v g="$goal" \
      'BEGIN { printf "%-46s %12s %12s %7.2f  %s\n", n, sprintf(s == 1 ? "%d %s" : "%.1f %s", v / s, u),
               sprintf(s == 1 ? "%d %s" : "%.1f %s", r / s, u), (r > 0 ? v / r : 0), g }'
  }
  set -- $(get vm_end_us)
  row "warm start to end of DestroyJavaVM" "${1:-}" "${2:-}" ms 1000 "<= 1.10 (stretch 1.05) x trivial loader"
  set -- $(get vm_peak_bytes)
  row "peak working set before JNI_CreateJavaVM" "${1:-}" "${2:-}" MiB 1048576 \
    "<= trivial loader + 1.5 MiB"
  row "template size" "$template" 163840 B 1 "<= 163,840 bytes (stretch 131,072)"
  set -- $(get splash_visible_ms)
  row "time to the splash visible" "${1:-}" "${2:-}" ms 1 "<= 1.34 x trivial window program"
} > "$out"
echo "== summary (also in $out)"
cat "$out"
