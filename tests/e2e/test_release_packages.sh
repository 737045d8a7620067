#!/usr/bin/env bash
# The three release packages as a user installs them: the Linux archive unpacked anywhere, the
# Debian package's files, the Windows zip under Wine. Each installed tool builds the example
# without being told where its template is, and the result runs through the real launcher;
# each walks the first hour (init from a jar, build into a new folder, start to main); the
# Debian package has its manual page, the Maven repository the plug-in.
source "$(dirname "$0")/lib.sh"

version=$(head -n 1 "$TESSEL_SOURCE_DIR/VERSION")
release=$E2E_DIR/release
if ! "$TESSEL_SOURCE_DIR/scripts/make-dist.sh" "$TESSEL_DIST" "$release" > "$E2E_DIR/dist.out" 2>&1; then
  fail "make-dist failed"
  sed 's/^/    | /' "$E2E_DIR/dist.out" >&2
  finish
fi

case_name "checksums cover the three packages and the Maven repository"
(cd "$release" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not match"
[ "$(wc -l < "$release/SHA256SUMS")" = 4 ] || fail "SHA256SUMS should list 4 files"

# The same products packed again a second later, under another umask and time zone: the same
# bytes (the whole build twice is `make check-reproducible`).
case_name "packing the same products again gives the same bytes"
sleep 1
if (umask 077 && TZ=Asia/Tokyo "$TESSEL_SOURCE_DIR/scripts/make-dist.sh" "$TESSEL_DIST" \
      "$E2E_DIR/release-again" > "$E2E_DIR/dist-again.out" 2>&1); then
  cmp -s "$release/SHA256SUMS" "$E2E_DIR/release-again/SHA256SUMS" ||
    { fail "a second make-dist wrote other packages"; diff "$release/SHA256SUMS" "$E2E_DIR/release-again/SHA256SUMS" >&2; }
else
  fail "a second make-dist failed"
fi

case_name "archive entries belong to root and carry the commit's time"
epoch=${SOURCE_DATE_EPOCH:-$("$TESSEL_SOURCE_DIR/scripts/reproducible.py" epoch)}
when=$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M')
check_listing() {
  local label=$1 listing=$2
  [ -n "$listing" ] || fail "$label: no entries listed"
  local odd
  odd=$(printf '%s\n' "$listing" | grep -v " root/root .* $when" | head -n 3)
  [ -z "$odd" ] || fail "$label: entries not root's or not of $when: $odd"
}
check_listing "tar.gz" "$(TZ=UTC tar -tvzf "$release/tessel-$version-linux-x86_64.tar.gz" --full-time)"
check_listing "deb" "$(dpkg-deb --fsys-tarfile "$release/tessel_${version}_amd64.deb" | TZ=UTC tar -tv --full-time)"

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

# The runtime doubles of a GUI application (javaw.exe beside java.exe), main in this machine's Java.
install_gui_runtime() {
  runtime_double "$1/jre" 'openjdk version "17.0.2" 2022-01-18'
  cp "$DOUBLES/java_exe/java.exe" "$1/jre/bin/javaw.exe"
  printf '#!/bin/sh\nexec %s "$@" 1>&2\n' "'$(readlink -f "$(command -v java)")'" > "$1/jre/java-on-linux.sh"
  chmod +x "$1/jre/java-on-linux.sh"
}

# The first hour as a new user walks it with an installed tool: init from a jar nobody here
# wrote for tessel, build into a folder that does not exist yet, start the result to main.
first_hour_host() {
  local tool=$1 label=$2 w=$E2E_DIR/$2-first-hour
  mkdir -p "$w"
  cp "$TESSEL_DIST/demo-app.jar" "$w/notes.jar"
  (cd "$w" && "$tool" init --jar notes.jar --name Notes) > "$w/init.out" 2>&1 ||
    { fail "$label: init failed"; cat "$w/init.out" >&2; return; }
  grep -qx 'runtime_library = "embed".*' "$w/notes.toml" || fail "$label: init does not name the runtime library"
  grep -q "not beside" "$w/init.out" && fail "$label: init still says the library is missing"
  (cd "$w" && "$tool" build notes.toml -o out/notes.exe) > "$w/build.out" 2>&1 ||
    { fail "$label: the first build failed"; cat "$w/build.out" >&2; return; }
  grep -q "warning" "$w/build.out" && fail "$label: the first build warned: $(cat "$w/build.out")"
  install_gui_runtime "$w/out"
  TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$w/out/jre/java-on-linux.sh run_app "$w/out/notes.exe" first hour
  expect_rc 0
  expect_stderr_contains "demo: arguments 2 [first, hour]"
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
first_hour_host "$root/bin/tessel" archive

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
first_hour_host "$E2E_DIR/deb-root/usr/bin/tessel" deb
man=$E2E_DIR/deb-root/usr/share/man/man1/tessel.1.gz
[ -f "$man" ] || fail "deb lacks the manual page"
page=$(zcat "$man" 2>/dev/null)
for want in '.TH TESSEL "1"' 'schema' '/usr/share/tessel/launcher.exe'; do
  printf '%s' "$page" | grep -qF -- "$want" || fail "the manual page lacks $want"
done
printf '%s' "$page" | grep -qF "deb-root" && fail "the manual page names the staging folder"
[ -f "$E2E_DIR/deb-root/usr/share/doc/tessel/docs/settings.md" ] || fail "deb lacks the guide (docs/)"

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

case_name "the first hour with the Windows zip under Wine"
fw=$E2E_DIR/zip-first-hour
mkdir -p "$fw"
cp "$TESSEL_DIST/demo-app.jar" "$fw/notes.jar"
run_zip_tool init --jar "$(windows_path "$fw/notes.jar")" --name Notes -o "$(windows_path "$fw/notes.toml")"
expect_rc 0
run_zip_tool build "$(windows_path "$fw/notes.toml")" -o "$(windows_path "$fw/out/notes.exe")"
expect_rc 0
expect_stderr_lacks "warning"
install_gui_runtime "$fw/out"
TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$fw/out/jre/java-on-linux.sh run_app "$fw/out/notes.exe" from zip
expect_rc 0
expect_stderr_contains "demo: arguments 2 [from, zip]"

case_name "the Maven repository holds the plug-in's jar and pom"
tar -xzf "$release/tessel-$version-maven-repository.tar.gz" -C "$E2E_DIR"
mroot=$E2E_DIR/tessel-$version-maven-repository/com/tessel/tessel-maven-plugin/$version
for f in jar pom; do
  [ -f "$mroot/tessel-maven-plugin-$version.$f" ] || fail "the Maven repository lacks the $f"
  [ "$(sha1sum < "$mroot/tessel-maven-plugin-$version.$f" | cut -d' ' -f1)" = "$(cat "$mroot/tessel-maven-plugin-$version.$f.sha1")" ] ||
    fail "the $f's .sha1 does not match"
done
grep -qF "<version>$version</version>" "$mroot/tessel-maven-plugin-$version.pom" || fail "the pom lacks its version"
python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); n = z.namelist()
sys.exit(0 if all(f"com/tessel/maven/tool/{f}" in n for f in ("launcher.exe", "tessel-runtime.jar", "linux-x86_64/tessel", "windows-x64/tessel.exe")) and b"<goal>build</goal>" in z.read("META-INF/maven/plugin.xml") else 1)' \
  "$mroot/tessel-maven-plugin-$version.jar" || fail "the plug-in jar lacks the tools or its build goal"

finish
