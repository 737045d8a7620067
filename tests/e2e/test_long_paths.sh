#!/usr/bin/env bash
# An application whose executable path is 300 characters long, beyond MAX_PATH: single instance
# still works (the semaphore gets a short form of its name), and the runtime's version comes
# from the cache at the next start (its cache key gets a short form too).
source "$(dirname "$0")/lib.sh"

DOUBLES=$TESSEL_BUILD_DIR/tests/doubles
STARTUP_CALL='call com/tessel/Controller.startupPerformed(Ljava/lang/String;)V'
unset TESSEL_JAVA_HOME CORVANE_JAVA_HOME TESSEL_JVM_THROWS

# Folders of at most 100 characters each, the last one cut so that the executable's Windows
# path (Z: + the folder + \app.exe) is exactly 300 characters.
dir=$E2E_DIR
long=$(printf 'long%.0s' $(seq 25))
while :; do
  remaining=$(( 290 - ${#dir} ))  # characters still to add, each folder with its slash
  [ "$remaining" -le 0 ] && break
  if [ "$remaining" -gt 101 ]; then
    size=100
    [ $(( remaining - 101 )) = 1 ] && size=99
  else
    size=$(( remaining - 1 ))
  fi
  dir=$dir/${long:0:$size}
done
EXE=$dir/app.exe
mkdir -p "$dir/jre/bin/server"
exe_win=$(windows_path "$EXE")
[ "${#exe_win}" = 300 ] || fail "the executable path has ${#exe_win} characters, not 300"

cp "$DOUBLES/java_exe/java.exe" "$dir/jre/bin/java.exe"
printf 'line=java version "1.8.0_60"\nexit=0\n' > "$dir/jre/bin/java.exe.cfg"
cp "$DOUBLES/jvm_dll/jvm.dll" "$dir/jre/bin/server/jvm.dll"
write_project long <<'TOML'
[application]
name = "Long"
executable_type = 2
flavour = "t"
[java]
main_class = "com.example.Main"
search_sequence = "B.\\jre;"
[instance]
single_instance = 1
TOML
build_app "$E2E_DIR/long.toml" "$EXE"

record_text() { [ -f "$dir/record.txt" ] && tr -d '\r' < "$dir/record.txt"; }
java_runs() { [ -f "$dir/jre/bin/java.exe.count" ] && wc -c < "$dir/jre/bin/java.exe.count" || echo 0; }

case_name "the first start runs java.exe once and becomes the running instance"
(
  cd "$TESSEL_BUILD_DIR" &&
    TESSEL_LOG=yes TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
      TESSEL_JVM_MAIN_SLEEP_MS=15000 TESSEL_JVM_RECORD=$(windows_path "$dir/record.txt") \
      "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$EXE" first \
      < /dev/null > "$E2E_DIR/first.stdout" 2> "$E2E_DIR/first.stderr"
) &
first=$!
for ((i = 0; i < 400; i++)); do
  record_text | grep -qF "main called" && break
  sleep 0.1
done
record_text | grep -qF "main called" || fail "the first instance did not reach main: $(cat "$E2E_DIR/first.stderr")"

case_name "a later start hands its text over instead of starting a second instance"
run_app "$EXE" hello
expect_rc 0
expect_log_contains "single instance mode"
expect_log_contains "short form used for"
expect_log_contains "exiting"
expect_log_lacks "Loading of JVM-DLL"
for ((i = 0; i < 150; i++)); do
  record_text | grep -qF "$STARTUP_CALL (\"hello\")" && break
  sleep 0.1
done
record_text | grep -qF "$STARTUP_CALL (\"hello\")" || fail "the text did not reach the running instance"
wait "$first" || fail "the first instance ended with $?"
[ "$(java_runs)" = 1 ] || fail "java.exe ran $(java_runs) times for the first start"

case_name "the next start takes the runtime's version from the cache"
run_app "$EXE" again
expect_rc 0
expect_log_contains "version cache key shortened for"
expect_log_contains "got version from registry 1.8.0_60"
[ "$(java_runs)" = 1 ] || fail "java.exe ran again: $(java_runs) runs in all"

# Leave no registry entries behind.
wine_tool reg delete 'HKCU\SOFTWARE\brightmoor\tessel\pids' /v "$(echo "$exe_win" | tr '[:upper:]' '[:lower:]')" /f > /dev/null 2>&1 || true
finish
