#!/usr/bin/env bash
# Start-up cost of locale detection under Wine, in the format locale of LC_ALL (default
# de_DE.UTF-8).
#   bench/bench_locale.sh [build-dir]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/win}
cmake --build "$build" --target locale_bench >/dev/null
cd "$build"
LC_ALL=${LC_ALL:-de_DE.UTF-8} "$here/../cmake/wine-run.sh" bench/locale_bench.exe </dev/null
