#!/usr/bin/env bash
# The demo of `make demo`: built by tessel, run under Wine through the real launcher, with the
# runtime doubles handing main to the machine's Java. Arguments, exit codes and a failing main
# arrive as a user would see them.
source "$(dirname "$0")/lib.sh"

demo() {
  DEMO_OUT=$E2E_DIR/demo WINE_TIMEOUT=$E2E_TIMEOUT \
    "$TESSEL_SOURCE_DIR/examples/demo/run.sh" "$@" < /dev/null > "$E2E_DIR/demo.out" 2>&1
  RC=$?
  STDOUT=$(tr -d '\r' < "$E2E_DIR/demo.out")
  STDERR=$STDOUT
}

case_name "arguments reach main, quoting kept"
demo a "b c"
expect_rc 0
expect_stdout_contains "== tessel inspect"
expect_stdout_contains "122   main_class                        demo.Main"
expect_stdout_contains "demo: arguments 2 [a, b c]"
expect_stdout_contains "demo: done"

case_name "System.exit code is the executable's exit code"
demo --exit=3
expect_rc 3
expect_stdout_contains "== demo.exe exit code: 3"

case_name "an exception from main ends with the launcher's message"
demo --throw
expect_rc 1
expect_stdout_contains "IllegalStateException: demo: failing as asked by --throw"
expect_stdout_contains "The JVM could not be started."

finish
