#!/usr/bin/env bash
# Applications whose executable paths are long: 256 characters (the semaphore name and the
# runtime's path would pass their limits) and 300 characters, beyond MAX_PATH. In both, single
# instance works, and the next start takes the runtime's version from the cache.
source "$(dirname "$0")/lib.sh"

STARTUP_CALL='call com/tessel/Controller.startupPerformed(Ljava/lang/String;)V'
unset TESSEL_JAVA_HOME CORVANE_JAVA_HOME TESSEL_JVM_THROWS
LONG=$(printf 'long%.0s' $(seq 25))

# long_dir BASE LENGTH: a folder below BASE, in parts of at most 100 characters, such that
# Z:<folder>\app.exe has LENGTH characters.
long_dir() {
  local dir=$1 remaining size
  while :; do
    remaining=$(( $2 - 10 - ${#dir} ))  # still to add, each part with its slash
    [ "$remaining" -le 0 ] && break
    if [ "$remaining" -gt 101 ]; then
      size=100
      [ $(( remaining - 101 )) = 1 ] && size=99
    else
      size=$(( remaining - 1 ))
    fi
    dir=$dir/${LONG:0:$size}
  done
  echo "$dir"
}

# scenario LENGTH
scenario() {
  local dir exe exe_win first i
  dir=$(long_dir "$E2E_DIR/l$1" "$1")
  exe=$dir/app.exe
  exe_win=$(windows_path "$exe")
  [ "${#exe_win}" = "$1" ] || fail "the executable path has ${#exe_win} characters, not $1"
  runtime_double "$dir/jre"
  build_app "$E2E_DIR/long.toml" "$exe"
  record_text() { [ -f "$dir/record.txt" ] && tr -d '\r' < "$dir/record.txt"; }
  java_runs() { if [ -f "$dir/jre/bin/java.exe.count" ]; then wc -c < "$dir/jre/bin/java.exe.count"; else echo 0; fi; }

  case_name "$1 characters: the first start runs java.exe once and becomes the running instance"
  (
    cd "$TESSEL_BUILD_DIR" &&
      TESSEL_LOG=yes TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
        TESSEL_JVM_MAIN_SLEEP_MS=15000 TESSEL_JVM_RECORD=$(windows_path "$dir/record.txt") \
        "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$exe" first \
        < /dev/null > "$dir/first.stdout" 2> "$dir/first.stderr"
  ) &
  first=$!
  for ((i = 0; i < 600; i++)); do
    record_text | grep -qF "main called" && break
    sleep 0.1
  done
  record_text | grep -qF "main called" || fail "the first instance did not reach main"

  case_name "$1 characters: a later start hands its text over"
  run_app "$exe" hello
  expect_rc 0
  expect_log_contains "single instance mode"
  expect_log_contains "exiting"
  expect_log_lacks "Loading of JVM-DLL"
  expect_log_lacks "could not create the semaphore"
  for ((i = 0; i < 150; i++)); do
    record_text | grep -qF "$STARTUP_CALL (\"hello\")" && break
    sleep 0.1
  done
  record_text | grep -qF "$STARTUP_CALL (\"hello\")" || fail "the text did not reach the running instance"
  wait "$first" || fail "the first instance ended with $?"
  [ "$(java_runs)" = 1 ] || fail "java.exe ran $(java_runs) times for the first start"

  case_name "$1 characters: the next start takes the runtime's version from the cache"
  run_app "$exe" again
  expect_rc 0
  expect_log_contains "got version from registry 1.8.0_60"
  [ "$(java_runs)" = 1 ] || fail "java.exe ran again: $(java_runs) runs in all"
}

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

scenario 256
scenario 300
finish
