#!/usr/bin/env bash
# Variable expansion against a plain copy, under Wine. Builds bench/expansion_bench.exe from the
# Windows build tree's launcher library when no build of it exists yet.
#   bench/expansion.sh [windows-build-dir]
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$src/build/win}
exe=$build/bench/expansion_bench.exe
if [ ! -f "$exe" ] || [ "$src/bench/expansion_bench.cpp" -nt "$exe" ]; then
  cmake --build "$build" --target launcher_core tessel_common >/dev/null
  mkdir -p "$build/bench"
  x86_64-w64-mingw32-g++-posix -std=c++17 -O2 -static \
    -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601 \
    -I"$src/launcher" -I"$src/common" "$src/bench/expansion_bench.cpp" \
    "$build/launcher/liblauncher_core.a" "$build/common/libtessel_common.a" \
    -lcomctl32 -ladvapi32 -luser32 -lgdi32 -lshell32 -o "$exe"
fi
cd "$build"
"$src/cmake/wine-run.sh" "$exe" </dev/null
