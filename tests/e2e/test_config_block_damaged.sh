#!/usr/bin/env bash
# Damaged blocks and headers end with the fixed text of the failed read and exit code 1:
# no crash, no hang, no huge allocation. -q_cvn_internal sends the text to standard error.
source "$(dirname "$0")/lib.sh"

expect_fatal() {
  expect_rc 1
  expect_stderr_first_line "$1"
  expect_stderr_lacks "Unhandled"
}

case_name "template with nothing appended"
cp "$TEMPLATE" "$E2E_DIR/plain.exe"
run_app "$E2E_DIR/plain.exe" -q_cvn_internal
expect_fatal "Internal Error: readInt"
expect_log_contains "error 0 0"
# The log format ends in a line feed of its own, so an empty line follows.
if [ -n "$LAST_LOG" ] && ! log_text | grep -A1 -x "error 0 0" | tail -n 1 | grep -qx ""; then
  fail "no empty line after 'error 0 0'"
fi

case_name "without the marker the text goes to a message box, not standard error"
run_app "$E2E_DIR/plain.exe"
expect_rc 1
expect_stderr_lacks "Internal Error"

case_name "big-endian magic"
{ le32 0xD513E4E8; le32 0; le32 0; le64 29; le32 0; le32 0; le32 0; } |
  exe_from_stdin "$E2E_DIR/magic.exe"
run_app "$E2E_DIR/magic.exe" -q_cvn_internal
expect_fatal "Internal Error: magic"

case_name "trailer magic where the block should be"
{ le32 0; } | exe_from_stdin "$E2E_DIR/zero-magic.exe"
run_app "$E2E_DIR/zero-magic.exe" -q_cvn_internal
expect_fatal "Internal Error: magic"

case_name "block cut inside the length field"
{ le32 0xE8E413D5; le32 0; le32 0; le32 0; } | exe_from_stdin "$E2E_DIR/short-long.exe"
run_app "$E2E_DIR/short-long.exe" -q_cvn_internal
expect_fatal "Internal Error: readLong"

case_name "truncated string"
{ block_header 29; le32 1; le32 101; le32 1; } | exe_from_stdin "$E2E_DIR/trunc-string.exe"
run_app "$E2E_DIR/trunc-string.exe" -q_cvn_internal
expect_fatal "Internal Error: readString"

case_name "string length beyond the end of the file"
{ block_header 0; le32 1; le32 101; le32 0x7FFFFFF0; printf 'A'; le32 0; le32 0; } |
  exe_from_stdin "$E2E_DIR/long-string.exe"
run_app "$E2E_DIR/long-string.exe" -q_cvn_internal
expect_fatal "Internal Error: readString"

case_name "negative string length"
{ block_header 0; le32 1; le32 101; le32 -1; le32 0; le32 0; } |
  exe_from_stdin "$E2E_DIR/negative-string.exe"
run_app "$E2E_DIR/negative-string.exe" -q_cvn_internal
expect_fatal "Internal Error: readString"

case_name "odd wide-string length"
{ block_header 0; le32 0; le32 1; le32 1000; le32 3; printf 'abc'; le32 0; } |
  exe_from_stdin "$E2E_DIR/odd-wide.exe"
run_app "$E2E_DIR/odd-wide.exe" -q_cvn_internal
expect_fatal "Internal Error: readWString"

case_name "wide string beyond the end of the file"
{ block_header 0; le32 0; le32 1; le32 1000; le32 0x40000000; wide_string x; } |
  exe_from_stdin "$E2E_DIR/long-wide.exe"
run_app "$E2E_DIR/long-wide.exe" -q_cvn_internal
expect_fatal "Internal Error: readWString"

case_name "huge string count"
{ block_header 0; le32 0x7FFFFFFF; le32 101; narrow_string A; } | exe_from_stdin "$E2E_DIR/huge-count.exe"
run_app "$E2E_DIR/huge-count.exe" -q_cvn_internal
expect_fatal "Internal Error: readInt"

case_name "huge message count"
{ block_header 0; le32 0; le32 0x7FFFFFFF; le32 1000; wide_string E; } |
  exe_from_stdin "$E2E_DIR/huge-messages.exe"
run_app "$E2E_DIR/huge-messages.exe" -q_cvn_internal
expect_fatal "Internal Error: readInt"

case_name "huge locale section count"
{ block_header 0; le32 0; le32 0; le32 0x7FFFFFFF; narrow_string de; le32 0; } |
  exe_from_stdin "$E2E_DIR/huge-sections.exe"
run_app "$E2E_DIR/huge-sections.exe" -q_cvn_internal
expect_fatal "Internal Error: readInt"

# Damaged PE headers. Wine's loader refuses an image whose section count or PE offset is
# damaged, so only the last section's raw-data fields can be damaged in a running launcher
# (the header walk itself is covered by the host tests of the shared layout code).
write_project app <<'TOML'
[application]
executable_type = 2
[java]
main_class = "com.example.Main"
TOML
build_app "$E2E_DIR/app.toml" "$E2E_DIR/app.exe"
pe=$(read_le32 "$E2E_DIR/app.exe" 60)
sections=$(read_le16 "$E2E_DIR/app.exe" $((pe + 6)))
optional=$(read_le16 "$E2E_DIR/app.exe" $((pe + 20)))
table=$((pe + optional + 40 * sections - 16))
raw_offset=$(read_le32 "$E2E_DIR/app.exe" $((table + 20)))

case_name "last section's raw size points beyond the end of the file"
cp "$E2E_DIR/app.exe" "$E2E_DIR/far-block.exe"
le32 0x7FFFFFFF | patch_file "$E2E_DIR/far-block.exe" $((table + 16))
run_app "$E2E_DIR/far-block.exe" -q_cvn_internal
expect_fatal "Internal Error: readInt"
expect_log_contains "rawDataSize: 2147483647, rawDataOffset: $raw_offset"

case_name "raw size + offset wraps in 32 bits (must not land inside the file)"
cp "$E2E_DIR/app.exe" "$E2E_DIR/wrap-block.exe"
le32 0xFFFFFFFF | patch_file "$E2E_DIR/wrap-block.exe" $((table + 16))
run_app "$E2E_DIR/wrap-block.exe" -q_cvn_internal
expect_fatal "Internal Error: readInt"
expect_log_contains "rawDataSize: -1, rawDataOffset: $raw_offset"
expect_log_contains "error 0 0"

finish
