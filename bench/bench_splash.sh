#!/usr/bin/env bash
# The native splash under the build tree's Xvfb: time from process start to the splash on the
# screen against a trivial program showing a window of the same size, and the frame time of a
# status-line update.
#   bench/bench_splash.sh [build-dir] [runs]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-$here/../build/win}")
cmake --build "$build" --target splash_frame_bench launcher make_test_app jvm_double java_double \
  >/dev/null
mkdir -p "$build/bench"
trivial=$build/bench/trivial_window.exe
if [ ! -f "$trivial" ] || [ "$here/trivial_window.c" -nt "$trivial" ]; then
  x86_64-w64-mingw32-gcc-posix -O2 -s -mwindows -o "$trivial" "$here/trivial_window.c"
fi
export TESSEL_BUILD_DIR=$build TESSEL_SOURCE_DIR=$(realpath "$here/..")
export TESSEL_DIST=$(sed -n 's/^TESSEL_DIST:PATH=//p' "$build/CMakeCache.txt")
cd "$build"
python3 "$here/splash_visible.py" "$trivial" "${2:-7}"
WINE_GUI=1 "$here/../cmake/wine-run.sh" bench/splash_frame_bench.exe 300 </dev/null
