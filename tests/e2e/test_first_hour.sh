#!/usr/bin/env bash
# The first hour with tessel, as the README walks it: `tessel init` from a jar, a build of the
# starter project as written, a start under Wine; then a PNG icon, a splash and a signature;
# inspect telling a signed file from one changed after signing, in text and JSON, with
# version strings beyond Latin-1; tessel.exe agreeing under Wine.
source "$(dirname "$0")/lib.sh"

W=$E2E_DIR
PROBE=$TESSEL_BUILD_DIR/tests/e2e/icon_probe.exe

# install_runtime DIR: jre\ of the runtime doubles handing main to this machine's Java. A GUI
# executable (the default type) wants javaw.exe beside java.exe, as a real runtime has.
install_runtime() {
  runtime_double "$1/jre" 'openjdk version "17.0.2" 2022-01-18'
  cp "$DOUBLES/java_exe/java.exe" "$1/jre/bin/javaw.exe"
  local java
  java=$(readlink -f "$(command -v java)")
  printf '#!/bin/sh\nexec %s "$@" 1>&2\n' "'$java'" > "$1/jre/java-on-linux.sh"
  chmod +x "$1/jre/java-on-linux.sh"
}

run_notes() {
  TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$1/jre/java-on-linux.sh run_app "$1/notes.exe" "${@:2}"
}

cp "$TESSEL_DIST/demo-app.jar" "$W/notes.jar"

case_name "tessel init from a jar writes a project that builds and runs as it is"
(cd "$W" && "$TESSEL_TOOL" init --jar notes.jar --name Notes) > "$W/init.out" 2>&1 ||
  { fail "tessel init failed"; cat "$W/init.out" >&2; }
grep -qxF 'main_class = "demo.Main"  # from the jar'"'"'s manifest (Main-Class)' "$W/notes.toml" ||
  fail "the starter lacks the jar's main class"
grep -qF "next: tessel build notes.toml -o notes.exe" "$W/init.out" || fail "init does not say what comes next"
mkdir -p "$W/plain"
"$TESSEL_TOOL" build "$W/notes.toml" -o "$W/plain/notes.exe" > "$W/build.out" 2>&1 ||
  { fail "the starter project does not build"; cat "$W/build.out" >&2; }
for want in "[application] executable_type = 1" "[java] search_sequence" \
    '[identity] execution_level = "asInvoker"'; do
  grep -qF -- "$want" "$W/build.out" || fail "the summary does not list the default $want"
done
install_runtime "$W/plain"
run_notes "$W/plain" one "two three"
expect_rc 0
expect_stderr_contains "demo: arguments 2 [one, two three]"
expect_log_contains "Searching for a JVM"

case_name "icon (PNG), splash and signature added to the starter"
ppmmake rgb:30/90/30 48 48 | pnmtopng > "$W/notes.png"
ppmmake rgb:20/40/c0 320 200 | ppmtobmp -bpp 24 > "$W/splash.bmp" 2>/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$W/key.pem" -out "$W/cert.pem" -days 2 \
  -subj "/CN=notes signer" 2>/dev/null
openssl pkcs12 -export -in "$W/cert.pem" -inkey "$W/key.pem" -out "$W/signer.p12" \
  -passout pass:secret 2>/dev/null
cat >> "$W/notes.toml" <<'TOML'

[splash]
enabled = true
auto_off = true

[identity]
icon = "notes.png"
splash_bitmap = "splash.bmp"

[identity.version]
file_version = "1.0.0.0"
description = "Notizen – Anwendung 日本"

[signing]
pkcs12 = "signer.p12"
TOML
mkdir -p "$W/signed"
TESSEL_SIGN_PASSWORD=secret "$TESSEL_TOOL" build "$W/notes.toml" -o "$W/signed/notes.exe" > "$W/sign.out" 2>&1 ||
  { fail "the signed build failed"; cat "$W/sign.out" >&2; }
osslsigncode verify -in "$W/signed/notes.exe" -CAfile "$W/cert.pem" 2>&1 | grep -q "Signature verification: ok" ||
  fail "osslsigncode does not verify the signature"
probe=$(cd "$TESSEL_BUILD_DIR" && TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
  "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$PROBE" "$(windows_path "$W/signed/notes.exe")" 1 </dev/null 2>&1 | tr -d '\r')
[ "$probe" = "48x48" ] || fail "Windows does not load the PNG icon: $probe"
probe=$(cd "$TESSEL_BUILD_DIR" && TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
  "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$PROBE" "$(windows_path "$W/signed/notes.exe")" ID_SPLASH_ICON \
  </dev/null 2>&1 | tr -d '\r')
[ "$probe" = "48x48" ] || fail "Windows does not load the splash window's PNG icon: $probe"
install_runtime "$W/signed"
run_notes "$W/signed" go
expect_rc 0
expect_stderr_contains "demo: arguments 1 [go]"

case_name "inspect: version strings as written, the signature checked against the file"
inspect=$("$TESSEL_TOOL" inspect "$W/signed/notes.exe")
printf '%s\n' "$inspect" | grep -qF "FileDescription: Notizen – Anwendung 日本" ||
  fail "inspect does not show the description as written: $(printf '%s' "$inspect" | grep FileDescription)"
printf '%s\n' "$inspect" | grep -qF "signed: yes (Authenticode; the sha256 digest matches the file)" ||
  fail "inspect: not signed: $(printf '%s' "$inspect" | grep signed:)"
cp "$W/signed/notes.exe" "$W/changed.exe"
# One byte of the embedded jar, as a careless edit after signing would change it.
offset=$("$TESSEL_TOOL" inspect --json "$W/changed.exe" |
  python3 -c 'import json,sys; print(json.load(sys.stdin)["block"]["embedded"][0]["offset"] + 100)')
printf 'X' | patch_file "$W/changed.exe" "$offset"
"$TESSEL_TOOL" inspect "$W/changed.exe" | grep -qF "signed: a signature is present but does not match the file" ||
  fail "inspect does not see the change after signing"
osslsigncode verify -in "$W/changed.exe" -CAfile "$W/cert.pem" > /dev/null 2>&1 &&
  fail "osslsigncode accepts the changed file (the test's change is not inside the digest)"

case_name "inspect --json: numbers, flags and resources as JSON values"
"$TESSEL_TOOL" inspect --json "$W/signed/notes.exe" > "$W/signed.json" || fail "inspect --json failed"
"$TESSEL_TOOL" inspect --json "$W/changed.exe" > "$W/changed.json"
python3 - "$W/signed.json" "$W/changed.json" <<'PY' || fail "the JSON is not as documented"
import json, sys
signed, changed = (json.load(open(p, encoding="utf-8")) for p in sys.argv[1:3])
def check(ok, what):
    if not ok:
        print("JSON:", what, file=sys.stderr)
        sys.exit(1)
check(signed["schema_version"] == 1, "schema_version")
check(signed["signed"] is True and signed["signature"]["state"] == "matches", "signed")
check(signed["signature"]["digest_algorithm"] == "sha256", "digest algorithm")
check(changed["signed"] is False and changed["signature"]["present"] is True
      and changed["signature"]["state"] == "mismatch", "changed file")
keys = {k["name"]: k for k in signed["block"]["keys"]}
check(keys["executable_type"]["value"] == 1 and keys["executable_type"]["text"] == "1", "int key")
check(keys["splash_screen"]["value"] is True, "flag key")
check(keys["splash_width"]["value"] == 320, "splash width from the bitmap")
check(keys["main_class"]["value"] == "demo.Main", "string key")
resources = signed["resources"]
version = [r for r in resources if r["type"] == "version"][0]
check(version["type_id"] == 16 and version["name"] == "1" and version["size"] > 0, "version resource")
check(version["version_strings"]["FileDescription"] == "Notizen – Anwendung 日本", "version strings")
manifest = [r for r in resources if r["type"] == "manifest"][0]
check(manifest["execution_level"] == "asInvoker", "manifest level")
check(any(r["type"] == "icon group" and r["name"] == "ID_SPLASH_ICON" for r in resources), "icon group")
check(isinstance(signed["block"]["embedded"][0]["size"], int), "embedded size")
PY

case_name "tessel.exe under Wine checks the signature the same way"
for f in signed/notes.exe changed.exe; do
  (cd "$TESSEL_BUILD_DIR" && TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
    "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$TESSEL_DIST/tessel.exe" inspect "$(windows_path "$W/$f")" \
    < /dev/null > "$W/win-inspect.out" 2>&1)
  tr -d '\r' < "$W/win-inspect.out" | grep "^signed: " > "$W/win-signed.txt"
  "$TESSEL_TOOL" inspect "$W/$f" | grep "^signed: " > "$W/host-signed.txt"
  cmp -s "$W/win-signed.txt" "$W/host-signed.txt" ||
    fail "tessel.exe says '$(cat "$W/win-signed.txt")' of $f, tessel '$(cat "$W/host-signed.txt")'"
done
tr -d '\r' < "$W/win-inspect.out" | grep -qF "FileDescription: Notizen – Anwendung 日本" ||
  fail "tessel.exe does not show the description as written"

case_name "tessel.exe init writes a project that tessel builds"
mkdir -p "$W/win-init"
cp "$W/notes.jar" "$W/win-init/"
(cd "$TESSEL_BUILD_DIR" && TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
  "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$TESSEL_DIST/tessel.exe" init \
  --jar "$(windows_path "$W/win-init/notes.jar")" -o "$(windows_path "$W/win-init/notes.toml")" \
  < /dev/null > "$W/win-init.out" 2>&1) || { fail "tessel.exe init failed"; cat "$W/win-init.out" >&2; }
grep -qF 'main_class = "demo.Main"' "$W/win-init/notes.toml" || fail "tessel.exe init: no main class"
grep -qF 'source = "notes.jar"' "$W/win-init/notes.toml" || fail "tessel.exe init: the jar's path"
"$TESSEL_TOOL" build "$W/win-init/notes.toml" -o "$W/win-init/notes.exe" > "$W/win-init-build.out" 2>&1 ||
  { fail "the project of tessel.exe init does not build"; cat "$W/win-init-build.out" "$W/win-init/notes.toml" >&2; }

finish
