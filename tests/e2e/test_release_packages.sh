#!/usr/bin/env bash
# The three release packages as a user installs them: the Linux archive unpacked anywhere, the
# Debian package's files, the Windows zip under Wine. Each installed tool builds the example
# without being told where its template is, and the result runs through the real launcher.
source "$(dirname "$0")/lib.sh"

version=$(head -n 1 "$TESSEL_SOURCE_DIR/VERSION")
release=$E2E_DIR/release
if ! "$TESSEL_SOURCE_DIR/scripts/make-dist.sh" "$TESSEL_DIST" "$release" > "$E2E_DIR/dist.out" 2>&1; then
  fail "make-dist failed"
  sed 's/^/    | /' "$E2E_DIR/dist.out" >&2
  finish
fi

case_name "checksums cover the three packages"
(cd "$release" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not match"
[ "$(wc -l < "$release/SHA256SUMS")" = 3 ] || fail "SHA256SUMS should list 3 files"

# The example's application directory: the executable, its jars and the runtime doubles as jre\.
prepare_app() {
  local app=$1 example=$2
  cp "$example/lib/demo-app.jar" "$app/lib/"
  runtime_double "$app/jre" 'openjdk version "17.0.2" 2022-01-18'
}

run_demo() {
  TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$(readlink -f "$(command -v java)") run_app "$1" hello "from $2"
  expect_rc 0
  expect_stdout_contains "demo: arguments 2 [hello, from $2]"
}

# A host installation (archive or package): version, help, build, runtime jar, run.
check_host_install() {
  local tool=$1 example=$2 label=$3 app=$E2E_DIR/$3-app
  local out
  out=$("$tool" --version 2>&1) || fail "$label: tessel --version failed"
  [ "$out" = "tessel $version" ] || fail "$label: --version says '$out'"
  "$tool" --help 2>&1 | grep -qF "share/tessel" || fail "$label: --help does not say where the template is looked for"
  mkdir -p "$app/lib"
  if ! out=$("$tool" build "$example/demo.toml" -o "$app/demo.exe" 2>&1); then
    fail "$label: tessel build of the example failed"; printf '%s\n' "$out" >&2; return
  fi
  printf '%s' "$out" | grep -q "warning" && fail "$label: build warned: $out"
  "$tool" inspect "$app/demo.exe" | grep -qx "template: $version" || fail "$label: inspect lacks 'template: $version'"
  "$tool" runtime-jar "$app/lib" > /dev/null || fail "$label: tessel runtime-jar failed"
  python3 -c 'import sys, zipfile; sys.stdout.write(zipfile.ZipFile(sys.argv[1]).read("META-INF/MANIFEST.MF").decode())' \
    "$app/lib/tessel-runtime.jar" 2>/dev/null | tr -d '\r' |
    grep -qx "Implementation-Version: $version" || fail "$label: runtime jar manifest lacks the version"
  prepare_app "$app" "$example"
  run_demo "$app/demo.exe" "$label"
}

case_name "Linux archive unpacked in a directory with a blank"
mkdir -p "$E2E_DIR/my tools"
tar -xzf "$release/tessel-$version-linux-x86_64.tar.gz" -C "$E2E_DIR/my tools"
root="$E2E_DIR/my tools/tessel-$version-linux-x86_64"
for f in bin/tessel share/tessel/launcher.exe share/tessel/tessel-runtime.jar README.md LICENSE example/demo.toml; do
  [ -f "$root/$f" ] || fail "archive lacks $f"
done
grep -q "Apache License" "$root/LICENSE" || fail "LICENSE is not the Apache licence"
check_host_install "$root/bin/tessel" "$root/example" archive

case_name "Debian package"
deb=$release/tessel_${version}_amd64.deb
info=$(dpkg-deb -f "$deb" Package Version Architecture Depends Recommends)
printf '%s' "$info" | grep -qx "Version: $version" || fail "deb version: $info"
printf '%s' "$info" | grep -q "^Recommends:.*osslsigncode" || fail "deb does not recommend osslsigncode"
dpkg-deb -x "$deb" "$E2E_DIR/deb-root"
grep -qF "/usr/share/common-licenses/Apache-2.0" "$E2E_DIR/deb-root/usr/share/doc/tessel/copyright" ||
  fail "copyright does not refer to the common licence"
# The unpacked tree stands in for /usr: the tool looks in ../share/tessel either way.
check_host_install "$E2E_DIR/deb-root/usr/bin/tessel" "$E2E_DIR/deb-root/usr/share/doc/tessel/example" deb

case_name "Windows zip under Wine"
python3 -m zipfile -e "$release/tessel-$version-windows-x64.zip" "$E2E_DIR/zip"
wroot=$E2E_DIR/zip/tessel-$version-windows-x64
for f in tessel.exe launcher.exe tessel-runtime.jar README.md LICENSE.txt example/demo.toml; do
  [ -f "$wroot/$f" ] || fail "zip lacks $f"
done
run_zip_tool() {
  (cd "$wroot" && TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
    "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$wroot/tessel.exe" "$@" \
    < /dev/null > "$E2E_DIR/zip.stdout" 2> "$E2E_DIR/zip.stderr")
  RC=$?
  STDOUT=$(tr -d '\r' < "$E2E_DIR/zip.stdout")
  STDERR=$(tr -d '\r' < "$E2E_DIR/zip.stderr")
}
run_zip_tool --version
expect_rc 0
expect_stdout_contains "tessel $version"
app=$E2E_DIR/zip-app
mkdir -p "$app/lib"
run_zip_tool build 'example\demo.toml' -o "$(windows_path "$app/demo.exe")"
expect_rc 0
expect_stderr_lacks "warning"
run_zip_tool runtime-jar "$(windows_path "$app/lib")"
expect_rc 0
prepare_app "$app" "$wroot/example"
run_demo "$app/demo.exe" zip

finish
