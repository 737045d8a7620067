#!/usr/bin/env bash
# Single-instance hand-over under Wine: bursts of simultaneous starts against one first
# instance and a soak of sequential hand-overs (handle count of the first instance).
#   bench/bench_instance.sh [build-dir] [burst sizes...] [--soak N]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/win}
shift || true
cmake --build "$build" --target instance_bench >/dev/null
cd "$build"
WINE_TIMEOUT=1800 "$here/../cmake/wine-run.sh" bench/instance_bench.exe "$@" </dev/null
