#!/usr/bin/env bash
# The launcher's options -q, -c and -console as keys 154 and 156 enable them. A damaged embedded
# record gives every run the same fatal error; where its text goes (standard error or a message
# box, which returns at once without a display) shows whether -q or -c took effect.
. "$TESSEL_SOURCE_DIR/tests/e2e/lib.sh"

printf 'CONSOLEPAYLOAD' > "$E2E_DIR/a.txt"
make_app() {
  local name=$1 settings=$2
  write_project "$name" <<TOML
[application]
name = "Console"
executable_type = 1
$settings
[java]
main_class = "demo.Main"
[[embed]]
source = "a.txt"
TOML
  build_app "$E2E_DIR/$name.toml" "$E2E_DIR/$name.exe"
  python3 - "$E2E_DIR/$name.exe" "$E2E_DIR/a.txt" <<'PY'
import sys
path = sys.argv[1]
exe = bytearray(open(path, 'rb').read())
masked = bytes(b ^ 0x5A for b in open(sys.argv[2], 'rb').read())
at = exe.index(masked) - 8
exe[at:at + 8] = (1 << 40).to_bytes(8, 'little')
open(path, 'wb').write(exe)
PY
}
make_app both "quiet_console_options = 1"
make_app console "console_option = 1"
make_app neither ""

fatal_text="(error code: 16)"

case_name "-q with key 154 sends the error text to standard error"
run_app "$E2E_DIR/both.exe" app-argument -q
expect_rc 1
expect_stderr_contains "$fatal_text"

case_name "-c with key 154: no message box either, and the scan stops there"
run_app "$E2E_DIR/both.exe" -c -console
expect_rc 1
expect_stderr_contains "$fatal_text"

case_name "without -q the text goes to a message box"
run_app "$E2E_DIR/both.exe" -console
expect_rc 1
expect_stderr_lacks "$fatal_text"

case_name "key 156 alone: -q and -c belong to the application"
run_app "$E2E_DIR/console.exe" -q -c -console
expect_rc 1
expect_stderr_lacks "$fatal_text"

case_name "neither key: the options are ordinary arguments"
run_app "$E2E_DIR/neither.exe" -q -c
expect_rc 1
expect_stderr_lacks "$fatal_text"

finish
