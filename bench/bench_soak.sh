#!/usr/bin/env bash
# Soak: 1000 sequential starts of an application with embedded files (temporary directory
# entries, registry values and the launch's handle count before and after), then 20 launches
# side by side. Runs the end-to-end test with more starts; prints its tables.
#   bench/bench_soak.sh [build-dir] [starts]
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/win}" && pwd)
host_tool=$(cd "$build/../dist" && pwd)/tessel
dist=$(cd "$build/../dist" && pwd)
export TESSEL_BUILD_DIR=$build TESSEL_TOOL=$host_tool TESSEL_DIST=$dist \
  TESSEL_SOURCE_DIR=$(cd "$here/.." && pwd) TESSEL_RUNTIME_JAR=$dist/tessel-runtime.jar \
  LAUNCH_CLEANUP_STARTS=${2:-1000}
bash "$here/../tests/e2e/test_launch_cleanup.sh" | grep '^|'
