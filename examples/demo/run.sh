#!/usr/bin/env bash
# `make demo`: builds the demo application into build/demo/, shows what it carries and runs it
# under Wine. Extra arguments go to the demo. TESSEL_LOG=yes makes the launcher write its log.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$root/build
dist=$build/dist
out=$build/demo
mkdir -p "$out"

echo "== tessel build"
"$dist/tessel" build "$here/demo.toml" -o "$out/demo.exe"

echo "== tessel inspect"
"$dist/tessel" inspect "$out/demo.exe"

# Files the demo needs beside its executable: its jars in lib\ (scanned by the class path
# "S0.\lib;"); a runtime in jre\ would go here too.
mkdir -p "$out/lib"
for jar in demo-app.jar tessel-runtime.jar; do
  if [ -f "$dist/$jar" ]; then cp "$dist/$jar" "$out/lib/"; fi
done

echo "== running demo.exe under Wine"
set +e
TESSEL_WINE_ROOT=$build/win WINE_TIMEOUT=${WINE_TIMEOUT:-60} "$root/cmake/wine-run.sh" "$out/demo.exe" "$@"
rc=$?
set -e
echo "== demo.exe exit code: $rc"
