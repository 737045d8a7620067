#!/usr/bin/env bash
# Fault figures: what each fault does to a start (exit code, time, the user's message), from
# the end-to-end fault test, including the shipped template's one-minute version-query limit.
#   bench/bench_faults.sh [build-dir]
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/win}" && pwd)
dist=$(cd "$build/../dist" && pwd)
export TESSEL_BUILD_DIR=$build TESSEL_TOOL=$dist/tessel \
  TESSEL_DIST=$dist TESSEL_SOURCE_DIR=$(cd "$here/.." && pwd) \
  TESSEL_RUNTIME_JAR=$dist/tessel-runtime.jar FAULTS_FULL=1
bash "$here/../tests/e2e/test_faults.sh" | grep '^|'
