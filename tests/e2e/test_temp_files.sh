#!/usr/bin/env bash
# A first start (the runtime's version is not cached yet, so java.exe -version runs and its
# banner is captured in a temporary file) leaves no tsl*.tmp behind: started the way a user
# starts it (no console, so that a console is made for java.exe) and from a console program;
# neither does a start whose version query fails.
. "$TESSEL_SOURCE_DIR/tests/e2e/lib.sh"

# app NAME: an application with a runtime of its own (a path of its own, so that its version
# is not cached yet and the version query runs).
app() {
  runtime_double "$E2E_DIR/$1/jre" 'java version "1.8.0_60"' "$DOUBLES/jvm_dll_minimal/jvm.dll"
  write_project "$1" <<'TOML'
[application]
name = "TempFiles"
[java]
main_class = "demo.Main"
search_sequence = "B.\\jre;"
TOML
  build_app "$E2E_DIR/$1.toml" "$E2E_DIR/$1/app.exe"
}

# The capture file this run's log names must be gone (other launches may share the folder).
expect_capture_removed() {
  local name unix
  name=$(log_text | sed -n 's/^tempFile is //p' | tail -n 1)
  [ -n "$name" ] || { fail "the log names no temporary file"; return; }
  unix=${name//\\//}
  case $unix in
    [Zz]:*) unix=${unix:2} ;;
    [Cc]:*) unix=$TESSEL_BUILD_DIR/wineprefix/drive_c${unix:2} ;;
  esac
  [ -e "$unix" ] && fail "left behind: $name ($(wc -c < "$unix") bytes)"
  expect_log_lacks "could not delete"
}

case_name "first start without a console: the version query's capture file is gone"
app plain
run_app "$E2E_DIR/plain/app.exe" -q_cvn_internal
expect_log_contains "got version from execution 1.8.0_60"
expect_capture_removed

case_name "first start from a console program, with its own temporary directory"
app console
E2E_TMP=$E2E_DIR/tmp
run_app "$E2E_DIR/console/app.exe" -q_cvn_internal
expect_log_contains "got version from execution 1.8.0_60"
expect_capture_removed
left=$(find "$E2E_TMP" -maxdepth 1 -iname 'tsl*.tmp' | wc -l)
echo "tsl*.tmp left in TMP after a first start: $left"
[ "$left" = 0 ] || fail "$left tsl*.tmp left in $E2E_TMP"

case_name "a runtime whose version query fails leaves nothing"
unset E2E_TMP
app failing
printf 'exit=3\n' >> "$E2E_DIR/failing/jre/bin/java.exe.cfg"
run_app "$E2E_DIR/failing/app.exe" -q_cvn_internal
expect_rc_not 0
expect_log_contains "Exit Code 3"
expect_capture_removed

finish
