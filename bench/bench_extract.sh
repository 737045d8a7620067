#!/usr/bin/env bash
# Extraction throughput of a 50 MB embedded file against a plain copy, under Wine.
#   bench/bench_extract.sh [build-dir] [megabytes] [runs]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/win}
cmake --build "$build" --target extract_bench >/dev/null
cd "$build"
"$here/../cmake/wine-run.sh" bench/extract_bench.exe "${2:-50}" "${3:-5}" </dev/null
