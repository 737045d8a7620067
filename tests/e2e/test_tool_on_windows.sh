#!/usr/bin/env bash
# tessel.exe, the build tool for Windows users, under Wine: the same executable as the host
# tool byte for byte (template found beside it, embedded files, locale sections), an existing
# output replaced whole, inspect, paths in any script (a leading / too), identity files beside a project in a
# folder with a non-ASCII name, inputs recognised under another spelling, a failed build that
# leaves the old output untouched, and signing: osslsigncode from PATH only, a password file
# that never stays behind.
source "$(dirname "$0")/lib.sh"

tool_exe=$TESSEL_DIST/tessel.exe
[ -f "$tool_exe" ] || { fail "no $tool_exe"; finish; }

run_tool() {
  (cd "${TOOL_CWD:-$TESSEL_BUILD_DIR}" && TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
    "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$tool_exe" "$@" \
    < /dev/null > "$E2E_DIR/tool.stdout" 2> "$E2E_DIR/tool.stderr")
  RC=$?
  STDOUT=$(tr -d '\r' < "$E2E_DIR/tool.stdout")
  STDERR=$(tr -d '\r' < "$E2E_DIR/tool.stderr")
}

mkdir -p "$E2E_DIR/files"
printf 'jar bytes\n' > "$E2E_DIR/files/app.jar"
write_project app <<'TOML'
[application]
name = "Grüße"
executable_type = 2
[java]
main_class = "demo.Main"
class_path = "S0.\\lib;"
[locale.de]
caption = "Fehler"
[[embed]]
source = "files/app.jar"
name = "lib\\app.jar"
TOML
"$TESSEL_TOOL" build "$E2E_DIR/app.toml" -o "$E2E_DIR/host.exe" >/dev/null ||
  fail "host build failed"

case_name "same bytes as the host tool, template beside the tool"
run_tool build "$(windows_path "$E2E_DIR/app.toml")" -o "$(windows_path "$E2E_DIR/win.exe")"
expect_rc 0
expect_stdout_contains "1 locale sections, 1 embedded files"
cmp -s "$E2E_DIR/host.exe" "$E2E_DIR/win.exe" || fail "tessel.exe wrote other bytes than tessel"

case_name "an argument that starts with / is a path, not an option"
run_tool build "$E2E_DIR/app.toml" -o "$E2E_DIR/slash.exe"
expect_rc 0
cmp -s "$E2E_DIR/host.exe" "$E2E_DIR/slash.exe" || fail "tessel.exe wrote other bytes from / paths"
run_tool inspect /v
expect_rc 1
expect_stderr_contains "/v"
[ -z "$STDOUT" ] || fail "/v was taken as an option: $STDOUT"

case_name "an existing output is replaced"
printf 'old' > "$E2E_DIR/again.exe"
run_tool build "$(windows_path "$E2E_DIR/app.toml")" -o "$(windows_path "$E2E_DIR/again.exe")"
expect_rc 0
cmp -s "$E2E_DIR/host.exe" "$E2E_DIR/again.exe" || fail "the old output was not replaced"

case_name "inspect"
run_tool inspect "$(windows_path "$E2E_DIR/win.exe")"
expect_rc 0
expect_stdout_contains "lib\\app.jar"
expect_stdout_contains "[de] 1 texts"

case_name "paths beyond the ANSI code page, on the command line and in the project file"
uni=$E2E_DIR/проект-ü
mkdir -p "$uni"
printf 'jar bytes\n' > "$uni/données.jar"
printf '[java]\nmain_class = "a.B"\nruntime_library = "external"\n[[embed]]\nsource = "données.jar"\n' > "$uni/app.toml"
"$TESSEL_TOOL" build "$uni/app.toml" -o "$E2E_DIR/uni-host.exe" >/dev/null || fail "host build failed"
run_tool build "$(windows_path "$uni/app.toml")" -o "$(windows_path "$uni/приложение.exe")"
expect_rc 0
cmp -s "$E2E_DIR/uni-host.exe" "$uni/приложение.exe" || fail "tessel.exe wrote other bytes than tessel"
run_tool inspect "$(windows_path "$uni/приложение.exe")"
expect_rc 0
expect_stdout_contains "приложение.exe"
expect_stdout_contains "données.jar"

case_name "a failed build keeps the old output and leaves no temporary file"
write_project broken <<'TOML'
[application]
name = 1
TOML
run_tool build "$(windows_path "$E2E_DIR/broken.toml")" -o "$(windows_path "$E2E_DIR/again.exe")"
expect_rc 1
expect_stderr_contains "broken.toml:2: application.name: expected a string, found an integer"
cmp -s "$E2E_DIR/host.exe" "$E2E_DIR/again.exe" || fail "the failed build changed the output"
leftovers=$(ls -A "$E2E_DIR" | grep '^\.again' || true)
[ -z "$leftovers" ] || fail "temporary files left: $leftovers"

case_name "identity files beside a project in a folder with a non-ASCII name"
seeds=$TESSEL_SOURCE_DIR/tests/fuzz/seeds
ident=$E2E_DIR/идентичность-ü
mkdir -p "$ident"
cp "$seeds/ico/two_images.ico" "$ident/app.ico"
cp "$seeds/bmp/rgb24.bmp" "$ident/splash.bmp"
cp "$seeds/image_size/small.png" "$ident/splash.png"
cat > "$ident/app.toml" <<'TOML'
[identity]
icon = "app.ico"
splash_bitmap = "splash.bmp"
runtime_splash_image = "splash.png"
[java]
main_class = "a.B"
TOML
run_tool build "$(windows_path "$ident/app.toml")" -o "$(windows_path "$ident/app.exe")"
expect_rc 0
"$TESSEL_TOOL" inspect "$ident/app.exe" > "$E2E_DIR/ident.txt" 2>&1 || fail "the result does not inspect"
for line in "icon group 1" "bitmap 10000" "rcdata 10000"; do
  grep -qF "$line" "$E2E_DIR/ident.txt" || fail "no $line in the result"
done

case_name "an input named in other letter case is not replaced"
run_tool build "$(windows_path "$ident/app.toml")" -o "$(windows_path "$ident/APP.ICO")"
expect_rc 1
expect_stderr_contains "is the icon itself"
cmp -s "$seeds/ico/two_images.ico" "$ident/app.ico" || fail "the icon was changed"

# (Wine keeps no access lists on files; tests/tool checks the one the password file gets.)
case_name "signing: osslsigncode from PATH only, said in verbose output; the password arrives"
signer=$E2E_DIR/signer
mkdir -p "$signer" "$E2E_DIR/cwd"
cp "$TESSEL_BUILD_DIR/tests/doubles/osslsigncode/osslsigncode.exe" "$signer/"
# A decoy in the current directory, which Windows' own program search tries first.
cp "$TESSEL_BUILD_DIR/tests/doubles/osslsigncode/osslsigncode.exe" "$E2E_DIR/cwd/"
printf 'not a real key' > "$E2E_DIR/signer.p12"
sign_args=(build "$(windows_path "$E2E_DIR/app.toml")" -o "$(windows_path "$E2E_DIR/signed.exe")"
  --sign-pkcs12 "$(windows_path "$E2E_DIR/signer.p12")" --sign-password s3cret -v)
TOOL_CWD=$E2E_DIR/cwd WINEPATH=".;$(windows_path "$signer")" run_tool "${sign_args[@]}"
expect_rc 0
expect_stdout_contains "signing with $(windows_path "$signer")\osslsigncode.exe"
[ -e "$E2E_DIR/cwd/REPORT" ] && fail "the osslsigncode in the current directory ran"
report=$(tr -d '\r' < "$signer/REPORT" 2>/dev/null)
printf '%s' "$report" | grep -qF "password: s3cret" || fail "the password did not arrive: $report"
cmp -s "$E2E_DIR/signed.exe" "$E2E_DIR/host.exe" || fail "the signed output differs from what was built"
leftovers=$(ls -A "$E2E_DIR" | grep -E '^\.signed|\.pass$|\.unsigned$|\.sign-output$' || true)
[ -z "$leftovers" ] || fail "files left behind: $leftovers"

case_name "failed signing leaves neither output nor password file"
rm -f "$signer/REPORT" "$E2E_DIR/signed.exe"
TOOL_CWD=$E2E_DIR/cwd WINEPATH=$(windows_path "$signer") SIGNER_FAIL=3 run_tool "${sign_args[@]}"
expect_rc 1
expect_stderr_contains "signing failed: osslsigncode failed"
grep -qF "password: s3cret" "$signer/REPORT" 2>/dev/null || fail "the double did not run"
[ -e "$E2E_DIR/signed.exe" ] && fail "a failed signing left its output"
leftovers=$(ls -A "$E2E_DIR" | grep -E '^\.signed|\.pass$|\.unsigned$|\.sign-output$' || true)
[ -z "$leftovers" ] || fail "files left behind: $leftovers"

finish
