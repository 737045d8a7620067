#!/usr/bin/env bash
# Application identity from `tessel build`: icon, splash bitmap, runtime splash image, manifest
# and version information checked with independent readers (wrestool, icotool, objdump,
# osslsigncode); a signed executable that verifies and still starts its Java application
# under Wine; bad images and signed templates refused without output; tessel.exe under Wine
# writing the same bytes as the host tool.
source "$(dirname "$0")/lib.sh"

W=$E2E_DIR

# Images: a three-size icon, a 320x200 splash bitmap, a PNG for the runtime splash.
for s in 16 32 48; do ppmmake rgb:c0/30/30 $s $s | pnmtopng > "$W/i$s.png"; done
icotool -c -o "$W/app.ico" "$W/i16.png" "$W/i32.png" "$W/i48.png"
ppmmake rgb:20/80/c0 320 200 | ppmtobmp -bpp 24 > "$W/splash.bmp" 2>/dev/null
ppmmake rgb:f0/f0/20 200 100 | pnmtopng > "$W/runtime-splash.png"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$W/key.pem" -out "$W/cert.pem" -days 2 \
  -subj "/CN=tessel test signer" 2>/dev/null
openssl pkcs12 -export -in "$W/cert.pem" -inkey "$W/key.pem" -out "$W/signer.p12" \
  -passout pass:secret 2>/dev/null

# identity_project NAME [EXTRA-TOML]: the demo application with a full identity; its jars are
# embedded, so a launch that prints the demo's output proves the block and records were found.
identity_project() {
  write_project "$1" <<TOML
[application]
name = "Identity"
executable_type = 2
[java]
main_class = "demo.Main"
search_sequence = "B.\\\\jre;"
[identity]
icon = "app.ico"
splash_bitmap = "splash.bmp"
runtime_splash_image = "runtime-splash.png"
execution_level = "asInvoker"
dpi_awareness = "permonitorv2"
[identity.version]
file_version = "1.2.3.4"
product_version = "1.2"
company = "Example Ltd"
product_name = "Identity Demo"
description = "Identity test application"
copyright = "(c) 2026 Example Ltd"
original_filename = "identity.exe"
[[embed]]
source = '${JARS:-$TESSEL_DIST/}demo-app.jar'
name = "demo-app.jar"
[[embed]]
source = '${JARS:-$TESSEL_DIST/}tessel-runtime.jar'
name = "tessel-runtime.jar"
${2:-}
TOML
}

# install_runtime DIR: jre\ of the runtime doubles handing main to this machine's Java.
install_runtime() {
  runtime_double "$1/jre" 'openjdk version "17.0.2" 2022-01-18'
  local java
  java=$(readlink -f "$(command -v java)")
  printf '#!/bin/sh\nexec %s "$@" 1>&2\n' "'$java'" > "$1/jre/java-on-linux.sh"
  chmod +x "$1/jre/java-on-linux.sh"
}

case_name "resources as an independent reader sees them"
identity_project full
mkdir -p "$W/full"
build_app "$W/full.toml" "$W/full/app.exe"
list=$(wrestool -l "$W/full/app.exe")
for want in "--type=2 --name=10000" "--type=10 --name=10000" "--type=14 --name='ID_SPLASH_ICON'" \
    "--type=14 --name=1 " "--type=16 --name=1 " "--type=24 --name=1 "; do
  printf '%s\n' "$list" | grep -qF -- "$want" || fail "wrestool lacks $want"
done
[ "$(printf '%s\n' "$list" | grep -c -- '--type=3 ')" = 3 ] ||
  fail "the icon's three images should be stored once, shared by both groups"
wrestool -x -t14 -n ID_SPLASH_ICON "$W/full/app.exe" > "$W/splash-icon.ico"
[ "$(icotool -l "$W/splash-icon.ico" | grep -c -- --icon)" = 3 ] || fail "ID_SPLASH_ICON lacks sizes"
wrestool -x --raw -t10 -n 10000 "$W/full/app.exe" | cmp -s - "$W/runtime-splash.png" ||
  fail "RT_RCDATA 10000 is not the runtime splash image"
# The bitmap resource is the file without its 14-byte file header.
wrestool -x --raw -t2 -n 10000 "$W/full/app.exe" | cmp -s - <(tail -c +15 "$W/splash.bmp") ||
  fail "bitmap 10000 is not the splash bitmap"
manifest=$(wrestool -x --raw -t24 "$W/full/app.exe")
printf '%s' "$manifest" | grep -qF 'level="asInvoker"' || fail "manifest: execution level"
printf '%s' "$manifest" | grep -qF 'PerMonitorV2' || fail "manifest: DPI awareness"
printf '%s' "$manifest" | grep -qF 'Microsoft.Windows.Common-Controls' || fail "manifest: controls"
x86_64-w64-mingw32-objdump -p "$W/full/app.exe" > "$W/objdump.txt" 2>&1 || fail "objdump cannot read the result"
grep -q "Resource Directory" "$W/objdump.txt" || fail "objdump sees no resource directory"
inspect=$("$TESSEL_TOOL" inspect "$W/full/app.exe")
for want in "141   splash_width                      320" "142   splash_height                     200" \
    "ProductName: Identity Demo" "FileVersion: 1.2.3.4" "OriginalFilename: identity.exe" \
    "execution level asInvoker" "signed: no" "demo-app.jar"; do
  printf '%s' "$inspect" | grep -qF -- "$want" || fail "inspect lacks: $want"
done

case_name "the project's splash size wins over the bitmap's"
identity_project sized '[splash]
width = 100
height = 50'
build_app "$W/sized.toml" "$W/sized.exe"
"$TESSEL_TOOL" inspect "$W/sized.exe" | grep -qF "141   splash_width                      100" ||
  fail "key 141 set by the project was overwritten"

case_name "signed with certificate and key: verifies, and the application still starts"
mkdir -p "$W/signed"
"$TESSEL_TOOL" build "$W/full.toml" -o "$W/signed/app.exe" --sign-cert "$W/cert.pem" \
  --sign-key "$W/key.pem" > "$W/sign.out" 2>&1 || { fail "signing build failed"; cat "$W/sign.out" >&2; }
osslsigncode verify -in "$W/signed/app.exe" -CAfile "$W/cert.pem" > "$W/verify.out" 2>&1 ||
  { fail "osslsigncode verify failed"; cat "$W/verify.out" >&2; }
grep -q "Signature verification: ok" "$W/verify.out" || fail "signature not ok"
"$TESSEL_TOOL" inspect "$W/signed/app.exe" | grep -qF "signed: yes" || fail "inspect: not signed"
install_runtime "$W/signed"
TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$W/signed/jre/java-on-linux.sh run_app "$W/signed/app.exe" one "two three"
expect_rc 0
expect_stderr_contains "demo: arguments 2 [one, two three]"

case_name "signed from the project file with a PKCS#12 file"
identity_project p12 '[signing]
pkcs12 = "signer.p12"
password = "secret"'
build_app "$W/p12.toml" "$W/p12.exe"
osslsigncode verify -in "$W/p12.exe" -CAfile "$W/cert.pem" 2>&1 | grep -q "Signature verification: ok" ||
  fail "PKCS#12 signature does not verify"

case_name "a wrong password fails the build and leaves nothing"
rm -f "$W/bad-pass.exe"
if "$TESSEL_TOOL" build "$W/p12.toml" -o "$W/bad-pass.exe" --sign-password wrong > "$W/out" 2>&1; then
  fail "a wrong password was accepted"
fi
[ -e "$W/bad-pass.exe" ] && fail "a failed signing left bad-pass.exe behind"
ls "$W" | grep -q "bad-pass.exe." && fail "a failed signing left temporary files behind"

# expect_refused NAME PATTERN: the build of NAME.toml fails, names the problem, writes nothing.
expect_refused() {
  rm -f "$W/$1.exe"
  expect_build_refused "$W/$1.toml" "$W/$1.exe" "$2" "${@:3}"
  ls "$W" | grep -q "^$1.exe." && fail "$1: temporary file left"
  return 0
}
small_project() {
  write_project "$1" <<TOML
[application]
name = "Bad"
[java]
main_class = "demo.Main"
[identity]
$2
TOML
}

case_name "bad images are refused with the file named"
head -c 700 "$W/app.ico" > "$W/truncated.ico"
small_project bad-ico 'icon = "truncated.ico"'
expect_refused bad-ico "truncated.ico"
{ head -c 18 "$W/splash.bmp"; printf '\x00\x00\x01\x00'; tail -c +23 "$W/splash.bmp"; } > "$W/liar.bmp"
small_project bad-bmp 'splash_bitmap = "liar.bmp"'
expect_refused bad-bmp "liar.bmp"
head -c $((50 * 1024 * 1024)) /dev/zero > "$W/huge.png"
small_project huge 'runtime_splash_image = "huge.png"'
expect_refused huge "huge.png: too large"
rm -f "$W/huge.png"
small_project missing 'icon = "no-such.ico"'
expect_refused missing "no-such.ico"

case_name "a signed template is refused"
small_project from-signed 'execution_level = "asInvoker"'
expect_refused from-signed "is signed" --template "$W/p12.exe"

case_name "tessel.exe under Wine writes the same executable"
JARS=$(windows_path "$TESSEL_DIST/") identity_project win
(cd "$TESSEL_BUILD_DIR" && TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
  "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$TESSEL_DIST/tessel.exe" build "$(windows_path "$W/win.toml")" \
  -o "$(windows_path "$W/win.exe")" < /dev/null > "$W/win.out" 2>&1) ||
  { fail "tessel.exe build failed"; cat "$W/win.out" >&2; }
cmp -s "$W/win.exe" "$W/full/app.exe" || fail "tessel.exe and tessel wrote different bytes"
(cd "$TESSEL_BUILD_DIR" && TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
  "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$TESSEL_DIST/tessel.exe" inspect "$(windows_path "$W/p12.exe")" \
  < /dev/null > "$W/win-inspect.out" 2>&1)
tr -d '\r' < "$W/win-inspect.out" | grep -qF "signed: yes" || fail "tessel.exe inspect: not signed"

case_name "tessel.exe reads images from folders with names beyond the ANSI code page"
mkdir -p "$W/значки"
cp "$W/app.ico" "$W/значки/app.ico"
small_project unicode-icon 'icon = "значки/app.ico"'
(cd "$TESSEL_BUILD_DIR" && TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
  "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$TESSEL_DIST/tessel.exe" build \
  "$(windows_path "$W/unicode-icon.toml")" -o "$(windows_path "$W/unicode-icon.exe")" \
  < /dev/null > "$W/unicode.out" 2>&1) || { fail "tessel.exe could not read the icon"; cat "$W/unicode.out" >&2; }
wrestool -l "$W/unicode-icon.exe" 2>/dev/null | grep -qF -- "--type=14 --name=1 " || fail "no icon group"

finish
