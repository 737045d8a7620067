#!/usr/bin/env bash
# File associations of an application built with tessel: `tessel.exe associate` registers the
# declared types for the user (HKCU\Software\Classes) or for all users, a document opened the
# way the shell opens it starts the application with its path, and while a single-instance
# application runs the path reaches it whole through the hand-over; --remove takes back exactly
# what was written; a .reg file written on the build machine registers the same.
source "$(dirname "$0")/lib.sh"
export LC_ALL=C.UTF-8  # the document's name holds non-ASCII letters

tool_exe=$TESSEL_DIST/tessel.exe
shell_open=$TESSEL_BUILD_DIR/tests/e2e/shell_open.exe
STARTUP_CALL='call com/tessel/Controller.startupPerformed(Ljava/lang/String;)V'
unset TESSEL_JAVA_HOME CORVANE_JAVA_HOME TESSEL_JVM_THROWS
# Extensions of this test process only: the user's classes are shared by every test.
ext=t$$
ext2=u$$
CLASSES='HKCU\Software\Classes'

run_tool() {
  (cd "$TESSEL_BUILD_DIR" && TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
    "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$tool_exe" "$@" \
    < /dev/null > "$E2E_DIR/tool.stdout" 2> "$E2E_DIR/tool.stderr")
  RC=$?
  STDOUT=$(tr -d '\r' < "$E2E_DIR/tool.stdout")
  STDERR=$(tr -d '\r' < "$E2E_DIR/tool.stderr")
}

# The default value of a key as `reg query` shows it; status 1 when there is none.
default_value() {
  local line
  line=$(wine_tool reg query "$1" /ve | grep -m1 -E '    REG_(SZ|EXPAND_SZ)    ') || return 1
  line=${line#*REG_*SZ    }
  [ "$line" = "(value not set)" ] && return 1  # how Wine's reg shows a key without one
  printf '%s\n' "$line"
}
expect_default() {
  local value
  if ! value=$(default_value "$1"); then fail "registry: $1 has no default value (expected '$2')"
  elif [ "$value" != "$2" ]; then fail "registry: $1 default is '$value', expected '$2'"; fi
}
key_exists() { wine_tool reg query "$1" > /dev/null 2>&1; }

# shell_open DOCUMENT [hklm]: the document opened as the shell would; RC is the application's.
shell_open() {
  (cd "$TESSEL_BUILD_DIR" && TESSEL_LOG=yes TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
    TESSEL_JVM_MAIN_SLEEP_MS=${MAIN_MS:-0} TESSEL_JVM_RECORD=$(windows_path "$app/record.txt") \
    "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$shell_open" "$@" \
    < /dev/null > "$E2E_DIR/open.stdout" 2> "$E2E_DIR/open.stderr")
  RC=$?
}

record_text() { [ -f "$app/record.txt" ] && tr -d '\r' < "$app/record.txt"; }
wait_record() {  # TEXT COUNT SECONDS
  local i
  for ((i = 0; i < $3 * 10; i++)); do
    [ "$(record_text | grep -cF -- "$1")" -ge "$2" ] && return 0
    sleep 0.1
  done
  fail "record has $(record_text | grep -cF -- "$1") of $2 lines with: $1"
  record_text | sed 's/^/    record| /' >&2
  return 1
}

app=$E2E_DIR/Notes\ App
mkdir -p "$app"
runtime_double "$app/jre"
cp "$TESSEL_SOURCE_DIR/launcher/resources/splash.ico" "$E2E_DIR/doc.ico"
write_project notes <<TOML
[application]
name = "Notes Täst"
executable_type = 2
[java]
main_class = "com.example.Main"
search_sequence = "B.\\\\jre;"
[instance]
single_instance = true
[[file_association]]
extension = ".$ext"
description = "Notes dokument"
icon = "doc.ico"
[[file_association]]
extension = ".$ext2"
description = "Plain notes"
TOML
build_app "$E2E_DIR/notes.toml" "$app/notes.exe"
exe_win=$(windows_path "$app/notes.exe")
progid=NotesTst.$ext
progid2=NotesTst.$ext2

case_name "the types are listed by inspect and refused for an executable without any"
"$TESSEL_TOOL" inspect "$app/notes.exe" > "$E2E_DIR/inspect.txt"
grep -qF "icon group 200" "$E2E_DIR/inspect.txt" || fail "no icon of the file type: $(cat "$E2E_DIR/inspect.txt")"
grep -qF "file_associations" "$E2E_DIR/inspect.txt" || fail "inspect lacks the file types"
write_project plain <<'TOML'
[java]
main_class = "a.B"
TOML
build_app "$E2E_DIR/plain.toml" "$E2E_DIR/plain.exe"
run_tool associate "$(windows_path "$E2E_DIR/plain.exe")"
expect_rc 1
expect_stderr_contains "declares no file types (add [[file_association]] to its project)"

case_name "registered for the current user"
run_tool associate "$exe_win"
expect_rc 0
expect_stdout_contains "associated .$ext ($progid, Notes dokument) with $exe_win under HKEY_CURRENT_USER\\Software\\Classes"
expect_default "$CLASSES\\.$ext" "$progid"
expect_default "$CLASSES\\.$ext2" "$progid2"
expect_registry_value "$CLASSES\\.$ext\\OpenWithProgids" "$progid" ""
expect_default "$CLASSES\\$progid" "Notes dokument"
expect_default "$CLASSES\\$progid\\DefaultIcon" "$exe_win,-200"
expect_default "$CLASSES\\$progid2\\DefaultIcon" "$exe_win,0"
expect_default "$CLASSES\\$progid\\shell\\open\\command" "\"$exe_win\" \"%1\""
expect_default "$CLASSES\\Applications\\notes.exe\\shell\\open\\command" "\"$exe_win\" \"%1\""
expect_registry_value "$CLASSES\\Applications\\notes.exe\\SupportedTypes" ".$ext2" ""

case_name "a document opened by the shell starts the application with its path"
docs="$E2E_DIR/my docs"
mkdir -p "$docs"
doc1="$docs/Zoë's Документ.$ext"
doc2="$docs/second  één.$ext"
: > "$doc1"
: > "$doc2"
MAIN_MS=20000 shell_open "$(windows_path "$doc1")" &
first=$!
wait_record "main called" 1 30
sleep 1  # the argument lines follow that line
last_arg=$(record_text | sed -n 's/^main arg [0-9]*: "\(.*\)"$/\1/p' | tail -n 1)
[ "$last_arg" = "$(windows_path "$doc1")" ] ||
  fail "the first start's last argument is not the document's path: $(record_text | grep 'main arg')"

case_name "a document opened while the application runs reaches it whole"
shell_open "$(windows_path "$doc2")"
expect_rc 0
wait_record "$STARTUP_CALL" 1 15
record_text | grep -qxF "$STARTUP_CALL (\"\"$(windows_path "$doc2")\"\")" ||
  fail "hand-over text: $(record_text | grep -F "$STARTUP_CALL")"
wait "$first" || fail "the first instance ended with $?"

case_name "removal takes back what was written and keeps what others wrote"
registry_set "$CLASSES\\.$ext\\OpenWithProgids" "Other.$ext" REG_SZ ""
wine_tool reg add "$CLASSES\\.$ext2" /ve /d "Other.$ext2" /f > /dev/null
run_tool associate --remove "$exe_win"
expect_rc 0
expect_stdout_contains "removed 13 of 14 registry values of $exe_win"
key_exists "$CLASSES\\$progid" && fail "the ProgId $progid stayed"
key_exists "$CLASSES\\$progid2" && fail "the ProgId $progid2 stayed"
key_exists "$CLASSES\\Applications\\notes.exe" && fail "the application's entry stayed"
expect_registry_absent "$CLASSES\\.$ext\\OpenWithProgids" "$progid"
expect_registry_value "$CLASSES\\.$ext\\OpenWithProgids" "Other.$ext" ""
default_value "$CLASSES\\.$ext" > /dev/null && fail "the extension still names a ProgId"
expect_default "$CLASSES\\.$ext2" "Other.$ext2"
registry_delete "$CLASSES\\.$ext"
registry_delete "$CLASSES\\.$ext2"
run_tool associate --remove "$exe_win"
expect_rc 0
expect_stdout_contains "removed 0 of 14 registry values"

case_name "for all users"
run_tool associate --all-users "$exe_win"
expect_rc 0
expect_default "HKLM\\Software\\Classes\\$progid\\shell\\open\\command" "\"$exe_win\" \"%1\""
shell_open "$(windows_path "$doc1")" hklm
expect_rc 0
run_tool associate --all-users --remove "$exe_win"
expect_rc 0
key_exists "HKLM\\Software\\Classes\\$progid" && fail "the machine's ProgId stayed"
key_exists "HKLM\\Software\\Classes\\.$ext" && fail "the machine's extension key stayed"

case_name "a .reg file from the build machine registers the same, and one removes it"
"$TESSEL_TOOL" associate "$app/notes.exe" --reg-file "$E2E_DIR/notes.reg" \
  --install-dir 'C:\Program Files\Notes App\' > "$E2E_DIR/reg.out" 2>&1 || fail "reg file: $(cat "$E2E_DIR/reg.out")"
head -c 2 "$E2E_DIR/notes.reg" | od -An -tx1 | grep -q "ff fe" || fail "the .reg file has no UTF-16 mark"
wine_tool reg import "$(windows_path "$E2E_DIR/notes.reg")" > /dev/null || fail "reg import failed"
expect_default "$CLASSES\\$progid\\shell\\open\\command" '"C:\Program Files\Notes App\notes.exe" "%1"'
expect_default "$CLASSES\\.$ext" "$progid"
"$TESSEL_TOOL" associate --remove "$app/notes.exe" --reg-file "$E2E_DIR/remove.reg" \
  --install-dir 'C:\Program Files\Notes App' > /dev/null 2>&1 || fail "removal reg file"
wine_tool reg import "$(windows_path "$E2E_DIR/remove.reg")" > /dev/null || fail "reg import of the removal failed"
key_exists "$CLASSES\\$progid" && fail "the .reg removal left the ProgId"
expect_registry_absent "$CLASSES\\.$ext\\OpenWithProgids" "$progid"
registry_delete "$CLASSES\\.$ext"
registry_delete "$CLASSES\\.$ext2"
"$TESSEL_TOOL" associate "$app/notes.exe" > "$E2E_DIR/host.out" 2>&1 && fail "the host tool wrote a registry"
grep -qF -- "--reg-file FILE --install-dir DIR" "$E2E_DIR/host.out" || fail "host tool: $(cat "$E2E_DIR/host.out")"

finish
