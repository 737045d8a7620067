#!/usr/bin/env bash
# Native-library directories go in front of PATH, resolved against the launcher directory,
# with the old value kept whole.
. "$TESSEL_SOURCE_DIR/tests/e2e/lib.sh"

write_project app <<'TOML'
[application]
name = "NativePath"
executable_type = 2
[java]
main_class = "demo.Main"
native_library_directories = "native;;D:\\shared"
TOML
build_app "$E2E_DIR/app.toml" "$E2E_DIR/app.exe"
dir_win=$(windows_path "$E2E_DIR")

case_name "relative and absolute entries in front of the old PATH"
run_app "$E2E_DIR/app.exe"
expect_log_contains "native lib dir is native;;D:\\shared"
expect_log_contains "Setting PATH (native libs) $dir_win\\native;D:\\shared;C:\\windows\\system32"

case_name "no directories: PATH is left untouched"
write_project plain <<'TOML'
[application]
name = "NativePath"
executable_type = 2
[java]
main_class = "demo.Main"
TOML
build_app "$E2E_DIR/plain.toml" "$E2E_DIR/plain.exe"
run_app "$E2E_DIR/plain.exe"
expect_log_contains "native lib dir is "
expect_log_contains "PATH unchanged"
expect_log_lacks "Setting PATH"

finish
