#!/usr/bin/env bash
# `make demo`: builds the demo application into build/demo/ with tessel, shows what it carries
# and runs it under Wine. Extra arguments go to the demo (see examples/demo/app/src/demo/Main.java:
# --exit=CODE, --throw, --wait=SECONDS). TESSEL_LOG=yes makes the launcher write its log.
#
# No Windows Java runtime can be had on a Debian machine, so the demo's jre\ is made of the test
# doubles: a java.exe that answers the version question and a jvm.dll that hands the launch over
# to this machine's OpenJDK. The launcher itself runs for real: it reads its block, finds jre\,
# loads jvm.dll, builds the class path and VM options and calls the launcher class.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$root/build
dist=$build/dist
doubles=$build/win/tests/doubles
out=${DEMO_OUT:-$build/demo}
rm -rf "$out"
mkdir -p "$out/lib"

echo "== tessel build examples/demo/demo.toml -o build/demo/demo.exe"
"$dist/tessel" build "$here/demo.toml" -o "$out/demo.exe"

echo "== tessel inspect build/demo/demo.exe"
"$dist/tessel" inspect "$out/demo.exe"

# The application's jars in lib\, found through the class path "S0.\lib;".
cp "$dist/demo-app.jar" "$dist/tessel-runtime.jar" "$out/lib/"

# The runtime the search sequence "B.\jre" finds first.
if [ -f "$doubles/jvm_dll/jvm.dll" ] && [ -f "$doubles/java_exe/java.exe" ]; then
  mkdir -p "$out/jre/bin/server"
  cp "$doubles/java_exe/java.exe" "$out/jre/bin/"
  printf 'line=openjdk version "17.0.2" 2022-01-18\nline=OpenJDK Runtime Environment (demo)\n' \
    > "$out/jre/bin/java.exe.cfg"
  cp "$doubles/jvm_dll/jvm.dll" "$out/jre/bin/server/"
  java=${JAVA:-$(readlink -f "$(command -v java)")}
  export TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$java
  echo "== jre\\ holds the runtime doubles; the Java side runs in $java"
else
  echo "== no runtime doubles in $doubles: the launcher will report that it finds no Java"
fi

echo "== running build/demo/demo.exe $* under Wine"
set +e
(cd "$out" && TESSEL_WINE_ROOT=$build/win WINE_TIMEOUT=${WINE_TIMEOUT:-60} \
  "$root/cmake/wine-run.sh" "$out/demo.exe" "$@")
rc=$?
set -e
echo "== demo.exe exit code: $rc"
exit "$rc"
