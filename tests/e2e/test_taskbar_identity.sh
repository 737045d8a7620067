#!/usr/bin/env bash
# The taskbar identity of an application built with tessel: [identity] app_user_model_id
# becomes the process's explicit AppUserModelID before the splash (the first window) and
# long before the virtual machine; without it the launcher sets none.
source "$(dirname "$0")/lib.sh"
unset TESSEL_JAVA_HOME CORVANE_JAVA_HOME

app=$E2E_DIR/app
runtime_double "$app/jre"
write_project with_id <<'TOML'
[application]
executable_type = 2
[java]
main_class = "demo.Main"
search_sequence = "B.\\jre;"
[splash]
enabled = true
width = 40
height = 20
[identity]
app_user_model_id = "Brightmoor.Notes.Test"
TOML
build_app "$E2E_DIR/with_id.toml" "$app/with_id.exe"

case_name "the ID is set before the first window and the virtual machine"
run_app "$app/with_id.exe"
expect_rc 0
expect_log_contains "AppUserModelID Brightmoor.Notes.Test"
order=$(log_text | grep -nE "^.*(AppUserModelID Brightmoor|Starting splash screen thread|Creating JVM)" |
  sed 's/^[0-9]*:.*\(AppUserModelID\|Starting splash\|Creating JVM\).*/\1/' | tr '\n' ',')
[ "$order" = "AppUserModelID,Starting splash,Creating JVM," ] || fail "order in the log: $order"

case_name "without the setting none is set"
write_project without_id <<'TOML'
[application]
executable_type = 2
[java]
main_class = "demo.Main"
search_sequence = "B.\\jre;"
TOML
build_app "$E2E_DIR/without_id.toml" "$app/without_id.exe"
run_app "$app/without_id.exe"
expect_rc 0
expect_log_lacks "AppUserModelID"

finish
