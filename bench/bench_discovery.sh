#!/usr/bin/env bash
# Runtime discovery under Wine: java.exe runs on a first and a second start with three candidate
# runtimes, and the warm time to JNI_CreateJavaVM against a trivial program loading the same DLL.
#   bench/bench_discovery.sh [build-dir] [runs]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-$here/../build/win}")
cmake --build "$build" --target discovery_bench launcher java_double jvm_minimal_double >/dev/null
mkdir -p "$build/bench"
probe=$build/bench/jvm_load_probe.exe
if [ ! -f "$probe" ] || [ "$here/jvm_load_probe.c" -nt "$probe" ]; then
  x86_64-w64-mingw32-gcc-posix -O2 -s -o "$probe" "$here/jvm_load_probe.c"
fi
template=$(sed -n 's/^TESSEL_DIST:PATH=//p' "$build/CMakeCache.txt")/launcher.exe
winpath() { echo "Z:$(realpath "$1" | tr / '\\')"; }
cd "$build"
"$here/../cmake/wine-run.sh" bench/discovery_bench.exe "$(winpath "$template")" \
  "$(winpath "$build/tests/doubles")" "$(winpath "$probe")" "${2:-15}" </dev/null
