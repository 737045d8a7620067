#!/usr/bin/env bash
# Valid configuration blocks load: the launcher walks its own PE headers, logs the four header
# lines with the executable's real values and gets past the configuration stage.
source "$(dirname "$0")/lib.sh"

# The four header values of FILE as the launcher should log them. Built executables carry the
# project's resources in a section of their own, so their headers are not the template's.
header_values() {
  pe=$(read_le32 "$1" 60)
  sections=$(read_le16 "$1" $((pe + 6)))
  optional=$(read_le16 "$1" $((pe + 20)))
  table=$((pe + optional + 40 * sections - 16))
  raw_size=$(read_le32 "$1" $((table + 16)))
  raw_offset=$(read_le32 "$1" $((table + 20)))
}
header_values "$TEMPLATE"
[ $((raw_size + raw_offset)) = "$(stat -c %s "$TEMPLATE")" ] ||
  fail "the template's last section does not end the file"

expect_header_lines() {
  expect_log_contains "number of sections: $sections"
  expect_log_contains "size of optional headers: $optional"
  expect_log_contains "resSectionTableStart: $table"
  expect_log_contains "rawDataSize: $raw_size, rawDataOffset: $raw_offset"
}

# Past the configuration stage: no block failure, no crash (discovery decides the rest).
expect_configuration_loaded() {
  header_values "$1"
  expect_rc_not 1
  expect_rc_not 5
  expect_stderr_lacks "Internal Error"
  expect_stderr_lacks "Unhandled"
  expect_header_lines
}

case_name "built by tessel, executable_type 2"
write_project app <<'TOML'
[application]
name = "E2E Demo"
executable_type = 2
flavour = "t"
[java]
main_class = "com.example.Main"
[messages]
caption = "Fehler"
[locale.de]
caption = "Fehler (de)"
[locale.de_CH]
caption = "Fehler (CH)"
TOML
build_app "$E2E_DIR/app.toml" "$E2E_DIR/app.exe"
run_app "$E2E_DIR/app.exe"
expect_configuration_loaded "$E2E_DIR/app.exe"

case_name "the 41-byte block (key 101 = A only)"
{ block_header 29; le32 1; le32 101; narrow_string A; le32 0; le32 0; } |
  exe_from_stdin "$E2E_DIR/minimal.exe"
[ "$(stat -c %s "$E2E_DIR/minimal.exe")" = $(( $(stat -c %s "$TEMPLATE") + 41 )) ] ||
  fail "the hand-written block is not 41 bytes"
run_app "$E2E_DIR/minimal.exe"
expect_configuration_loaded "$E2E_DIR/minimal.exe"

case_name "negative counts read no records"
{ block_header 0; le32 -1; le32 -5; le32 -2147483648; } | exe_from_stdin "$E2E_DIR/negative.exe"
run_app "$E2E_DIR/negative.exe"
expect_configuration_loaded "$E2E_DIR/negative.exe"

case_name "embedded files behind the block"
printf 'embedded content\n' > "$E2E_DIR/notes.txt"
write_project embed <<'TOML'
[application]
executable_type = 2
[java]
main_class = "com.example.Main"
[[embed]]
source = "notes.txt"
name = "doc\\notes.txt"
TOML
build_app "$E2E_DIR/embed.toml" "$E2E_DIR/embed.exe"
run_app "$E2E_DIR/embed.exe"
expect_configuration_loaded "$E2E_DIR/embed.exe"

finish
