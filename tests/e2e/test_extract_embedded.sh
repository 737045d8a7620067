#!/usr/bin/env bash
# Embedded files written by `tessel build` and extracted by the launcher under Wine: the log of
# a good extraction, a damaged record, and a name that would leave the per-launch directory.
. "$TESSEL_SOURCE_DIR/tests/e2e/lib.sh"

head -c 13000 /dev/urandom > "$E2E_DIR/data.bin"
printf 'top' > "$E2E_DIR/top.txt"
: > "$E2E_DIR/empty.txt"
printf 'EVILPAYLOAD' > "$E2E_DIR/evil.txt"
write_project app <<'TOML'
[application]
name = "Extract"
executable_type = 2
[java]
main_class = "demo.Main"
[[embed]]
source = "data.bin"
name = "lib\\data.bin"
[[embed]]
source = "empty.txt"
[[embed]]
source = "top.txt"
[[embed]]
source = "evil.txt"
name = "zz\\evil.txt"
TOML
build_app "$E2E_DIR/app.toml" "$E2E_DIR/app.exe"

# The per-launch directory a run reported, as a Unix path inside the prefix.
launch_dir_of_run() {
  local dir
  dir=$(log_text | sed -n 's/^Temp dir3: //p' | tail -n 1)
  LAUNCH_DIR_WIN=$dir
  dir=${dir#[Cc]:}
  LAUNCH_DIR=$TESSEL_BUILD_DIR/wineprefix/drive_c$(printf '%s' "$dir" | tr '\\' /)
}

case_name "every file is extracted, an empty one too"
run_app "$E2E_DIR/app.exe"
launch_dir_of_run
[ -n "$LAUNCH_DIR_WIN" ] || fail "no 'Temp dir3:' line in the log"
expect_log_contains "extracting files"
expect_log_contains "Included files: 4"
expect_log_contains "creating directory $LAUNCH_DIR_WIN\\lib"
expect_log_contains "extracting $LAUNCH_DIR_WIN\\lib\\data.bin (size: 13000)"
expect_log_contains "extracting $LAUNCH_DIR_WIN\\empty.txt (size: 0)"
expect_log_contains "extracting $LAUNCH_DIR_WIN\\top.txt (size: 3)"
expect_log_contains "creating directory $LAUNCH_DIR_WIN\\zz"
expect_log_contains "extracting files done"
expect_log_lacks "ERROR: Failed to extract"
expect_log_lacks "ERROR: failed to create directory"
# Without a Java runtime the launch fails later, and a failed launch removes the directory.
[ -d "$LAUNCH_DIR" ] && fail "the per-launch directory $LAUNCH_DIR outlived a failed launch"

# The position of the 8-byte size field in front of a file's masked content.
size_field_of() {
  python3 - "$1" "$2" <<'PY'
import sys
exe = open(sys.argv[1], 'rb').read()
content = open(sys.argv[2], 'rb').read()
masked = bytes(b ^ 0x5A for b in content)
print(exe.index(masked) - 8)
PY
}

case_name "a size running past the end of the file fails the extraction"
cp "$E2E_DIR/app.exe" "$E2E_DIR/damaged.exe"
offset=$(size_field_of "$E2E_DIR/damaged.exe" "$E2E_DIR/top.txt")
printf '\xff\xff\xff\xff\xff\xff\xff\x7f' | patch_file "$E2E_DIR/damaged.exe" "$offset"
run_app "$E2E_DIR/damaged.exe"
expect_rc 1
launch_dir_of_run
expect_log_contains "extracting $LAUNCH_DIR_WIN\\top.txt (size: 9223372036854775807)"
expect_log_contains "ERROR: Failed to extract $LAUNCH_DIR_WIN\\top.txt"
expect_log_lacks "extracting files done"
expect_stderr_contains "(error code: 16)"
[ -d "$LAUNCH_DIR" ] && fail "the per-launch directory outlived the failed extraction"

case_name "tessel build refuses a file named like the launch's lock file"
write_project lock <<'TOML'
[java]
main_class = "demo.Main"
[[embed]]
source = "top.txt"
name = "Tessel-Launch.lock"
TOML
expect_build_refused "$E2E_DIR/lock.toml" "$E2E_DIR/lock.exe" "the lock file each launch keeps"

case_name "a name that climbs out of the per-launch directory is refused"
# tessel build refuses such names, so the name list is changed in the built file (same length).
python3 - "$E2E_DIR/app.exe" "$E2E_DIR/escape.exe" <<'PY'
import sys
exe = open(sys.argv[1], 'rb').read()
assert exe.count(b'zz\\evil.txt') == 1
open(sys.argv[2], 'wb').write(exe.replace(b'zz\\evil.txt', b'..\\evil.txt'))
PY
temp_unix=$(wine_temp_dir)
rm -f "$temp_unix/evil.txt"
run_app "$E2E_DIR/escape.exe"
expect_rc 1
launch_dir_of_run
expect_log_contains "ERROR: Failed to extract $LAUNCH_DIR_WIN\\..\\evil.txt"
expect_stderr_contains "(error code: 16)"
[ -e "$temp_unix/evil.txt" ] && fail "evil.txt was written beside the per-launch directory"

finish
