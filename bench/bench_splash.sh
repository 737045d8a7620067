#!/usr/bin/env bash
# The native splash under the build tree's Xvfb: time from process start to the splash on the
# screen against a trivial program showing a window of the same size, and the frame time of a
# status-line update.
#   bench/bench_splash.sh [build-dir] [runs]
# TESSEL_BENCH_TEMPLATE names another launcher template (an older build, to compare).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-$here/../build/win}")
cmake --build "$build" --target splash_frame_bench launcher make_test_app jvm_double java_double \
  trivial_window >/dev/null
mkdir -p "$build/bench"
trivial=$build/bench/trivial_window.exe
export TESSEL_BUILD_DIR=$build TESSEL_SOURCE_DIR=$(realpath "$here/..")
export TESSEL_DIST=$(sed -n 's/^TESSEL_DIST:PATH=//p' "$build/CMakeCache.txt")
if [ -n "${TESSEL_BENCH_TEMPLATE:-}" ]; then  # another template, to compare
  mkdir -p "$build/bench/template"
  cp "$TESSEL_BENCH_TEMPLATE" "$build/bench/template/launcher.exe"
  export TESSEL_DIST=$build/bench/template
fi
cd "$build"
python3 "$here/splash_visible.py" "$trivial" "${2:-7}" | tee "$build/bench/splash.txt"
figures=$build/bench/figures.txt
touch "$figures"
sed -i '/^splash_/d' "$figures"
ms() { sed -n "s/^  $1: \([0-9]*\) ms.*/\1/p" "$build/bench/splash.txt"; }
echo "splash_visible_ms $(ms "launcher splash") $(ms "trivial program")" >> "$figures"
WINE_GUI=1 "$here/../cmake/wine-run.sh" bench/splash_frame_bench.exe 300 </dev/null
