#!/usr/bin/env bash
# tessel.exe, the build tool for Windows users, under Wine: the same executable as the host
# tool byte for byte (template found beside it, embedded files, locale sections), an existing
# output replaced whole, inspect, paths in any script, and a failed build that leaves the old output untouched.
source "$(dirname "$0")/lib.sh"

tool_exe=$TESSEL_DIST/tessel.exe
[ -f "$tool_exe" ] || { fail "no $tool_exe"; finish; }

run_tool() {
  (cd "$TESSEL_BUILD_DIR" && TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
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
printf '[[embed]]\nsource = "données.jar"\n' > "$uni/app.toml"
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

finish
