#!/usr/bin/env bash
# The current directory (a document's folder, a download folder) never supplies a program or
# a library: not a java.exe for an S entry, not a library that jvm.dll or an application's
# native library imports. Tried as an attacker would, with copies planted there.
. "$TESSEL_SOURCE_DIR/tests/e2e/lib.sh"

PLANTED=$DOUBLES/planted_dll
# The genuine runtime: its jvm.dll imports trust_helper.dll, which lives in its bin folder.
runtime_double "$E2E_DIR/rt" 'java version "1.8.0_60"' "$PLANTED/jvm/jvm.dll"
cp "$PLANTED/trust_helper.dll" "$E2E_DIR/rt/bin/"
# The application's native library and its helper, in a folder of key 10004.
mkdir -p "$E2E_DIR/native"
cp "$PLANTED/app_native.dll" "$PLANTED/native_helper.dll" "$E2E_DIR/native/"
# The document folder: a java.exe with server\jvm.dll, and copies of both helpers.
DOCS=$E2E_DIR/docs
runtime_double "$DOCS/planted" 'java version "1.8.0_60"' "$DOUBLES/jvm_dll_minimal/jvm.dll"
mv "$DOCS/planted/bin/java.exe" "$DOCS/planted/bin/java.exe.cfg" "$DOCS/planted/bin/server" "$DOCS/"
rm -rf "$DOCS/planted"
cp "$PLANTED/trust_helper.dll" "$PLANTED/native_helper.dll" "$DOCS/"

rt_bin=$(windows_path "$E2E_DIR/rt/bin")
# Discovery lower-cases the runtime's path.
expect_stderr_has() {
  printf '%s' "$STDERR" | grep -qiF -- "$1" && return
  fail "standard error lacks: $1"
  show_stream stderr "$STDERR"
}
docs_win=$(windows_path "$DOCS")
E2E_CWD=$DOCS

write_project path <<'TOML'
[application]
name = "PlantedPath"
executable_type = 2
[java]
main_class = "demo.Main"
search_sequence = "S;"
TOML
build_app "$E2E_DIR/path.toml" "$E2E_DIR/path.exe"

case_name "S entry: a java.exe in the current directory is never run"
E2E_ENV="PATH=.;docs;C:\\windows\\system32;C:\\windows"
run_app "$E2E_DIR/path.exe"
expect_rc 83
[ -e "$DOCS/java.exe.count" ] && fail "the planted java.exe ran"
expect_log_lacks "Loading of JVM-DLL successful"
expect_log_lacks "$docs_win"

case_name "S entry: the runtime on PATH is found behind relative entries, the log names its entry"
E2E_ENV="PATH=.;;bin;$rt_bin;C:\\windows\\system32;C:\\windows"
run_app "$E2E_DIR/path.exe"
expect_rc 42
[ -e "$DOCS/java.exe.count" ] && fail "the planted java.exe ran"
expect_log_contains "java.exe found in PATH entry $rt_bin"
expect_stderr_has "jvm helper from $rt_bin\\trust_helper.dll"
unset E2E_ENV

case_name "a library that jvm.dll imports comes from the runtime, not the current directory"
write_project dir <<TOML
[application]
name = "PlantedLibrary"
executable_type = 2
[java]
main_class = "demo.Main"
search_sequence = "B.\\\\rt;"
native_library_directories = "native"
TOML
build_app "$E2E_DIR/dir.toml" "$E2E_DIR/dir.exe"
run_app "$E2E_DIR/dir.exe"
expect_rc 42
expect_stderr_has "jvm helper from $rt_bin\\trust_helper.dll"
printf '%s' "$STDERR" | grep -qiF -- "$docs_win" && fail "a planted library was loaded"

case_name "a native library of key 10004 loads with its own helper, not the planted one"
expect_stderr_has "native helper from $(windows_path "$E2E_DIR/native")\\native_helper.dll"

finish
