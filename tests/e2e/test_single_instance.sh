#!/usr/bin/env bash
# Single-instance mode in applications built with tessel: a later start hands its argument text
# to the running instance, whose launcher passes it to the Java side's controller (recorded by
# the jvm.dll double), and ends with exit code 0.
source "$(dirname "$0")/lib.sh"

STARTUP_CALL='call com/tessel/Controller.startupPerformed(Ljava/lang/String;)V'
unset TESSEL_JAVA_HOME CORVANE_JAVA_HOME TESSEL_JVM_THROWS

# app NAME [HANG]: a single-instance application with its own runtime of the doubles; java.exe
# takes HANG seconds to answer the version question (the first start only, then it is cached).
app() {
  local dir=$E2E_DIR/$1
  runtime_double "$dir/jre"
  printf 'hang=%s\n' "${2:-0}" >> "$dir/jre/bin/java.exe.cfg"
  write_project "$1" <<'TOML'
[application]
name = "Single"
executable_type = 2
flavour = "t"
[java]
main_class = "com.example.Main"
search_sequence = "B.\\jre;"
[instance]
single_instance = 1
TOML
  build_app "$E2E_DIR/$1.toml" "$dir/app.exe"
}

# start_first NAME MAIN_MS: the first instance in the background; main blocks MAIN_MS.
start_first() {
  local dir=$E2E_DIR/$1
  (
    cd "$TESSEL_BUILD_DIR" &&
      TESSEL_LOG=yes TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
        TESSEL_JVM_MAIN_SLEEP_MS=$2 TESSEL_JVM_RECORD=$(windows_path "$dir/record.txt") \
        "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$dir/app.exe" first \
        < /dev/null > "$dir/first.stdout" 2> "$dir/first.stderr"
  ) &
  FIRST_PID=$!
}

record_text() { [ -f "$E2E_DIR/$1/record.txt" ] && tr -d '\r' < "$E2E_DIR/$1/record.txt"; }
vm_options() { record_text "$1" | sed -n 's/^option [0-9]*: //p'; }
record_count() { record_text "$1" | grep -cF -- "$2"; }

# wait_record NAME TEXT COUNT SECONDS: until the record holds COUNT lines with TEXT.
wait_record() {
  local i
  for ((i = 0; i < $4 * 10; i++)); do
    [ "$(record_count "$1" "$2")" -ge "$3" ] && return 0
    sleep 0.1
  done
  fail "record of $1 has $(record_count "$1" "$2") of $3 lines with: $2"
  record_text "$1" | sed 's/^/    record| /' >&2
  return 1
}

# The log of NAME's first instance: the one of that executable that listened to the mailslot.
first_instance_log() {
  local exe_win dir f
  exe_win=$(windows_path "$E2E_DIR/$1/app.exe")
  dir=${E2E_TMP:-$(wine_temp_dir)} || true
  [ -n "$dir" ] || return 0
  for f in $(ls -t "$dir" 2>/dev/null); do
    f=$dir/$f
    [ -f "$f" ] || continue
    head -n 1 "$f" | tr -d '\r' | grep -qiF "$exe_win" || continue
    grep -qF "listening to mailslot" "$f" && { echo "$f"; return; }
  done
}

finish_first() {
  wait "$FIRST_PID"
  local rc=$?
  [ "$rc" = 0 ] || fail "the first instance ended with $rc"
}

forget_instance() {
  local name
  name=$(windows_path "$E2E_DIR/$1/app.exe" | tr '[:upper:]' '[:lower:]')
  (cd "$TESSEL_BUILD_DIR" && TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" \
    reg delete 'HKCU\SOFTWARE\brightmoor\tessel\pids' /v "$name" /f </dev/null >/dev/null 2>&1)
}

case_name "later starts reach the running instance; a throwing listener does not stop it"
app running
export TESSEL_JVM_THROWS=com/tessel/Controller.startupPerformed
start_first running 20000
wait_record running "main called" 1 30
run_app "$E2E_DIR/running/app.exe" -x "a b" 'c"d'
expect_rc 0
expect_log_contains "sent to the running instance (process "
expect_log_contains ': -x "a b" c\"d'
run_app "$E2E_DIR/running/app.exe"
expect_rc 0
expect_log_contains "): (no arguments)"
expect_log_contains "single instance mode"
expect_log_contains "other pid "
expect_log_contains "exiting"
expect_log_lacks "Loading of JVM-DLL"
run_app "$E2E_DIR/running/app.exe" __cvn_empty_command_line
expect_rc 0
wait_record running "$STARTUP_CALL" 3 15
record_text running | grep -F -- "$STARTUP_CALL" > "$E2E_DIR/running/calls.txt"
# Wine writes an argument with a blank in double quotes and escapes a double quote inside one.
[ "$(sed -n 1p "$E2E_DIR/running/calls.txt")" = "$STARTUP_CALL (\"-x \"a b\" c\\\"d\")" ] ||
  fail "first text: $(sed -n 1p "$E2E_DIR/running/calls.txt")"
[ "$(sed -n 2p "$E2E_DIR/running/calls.txt")" = "$STARTUP_CALL (null)" ] ||
  fail "no arguments: $(sed -n 2p "$E2E_DIR/running/calls.txt")"
[ "$(sed -n 3p "$E2E_DIR/running/calls.txt")" = "$STARTUP_CALL (null)" ] ||
  fail "the marker text: $(sed -n 3p "$E2E_DIR/running/calls.txt")"
[ "$(record_count running "AttachCurrentThread")" = 1 ] ||
  fail "the listener attached $(record_count running "AttachCurrentThread") times"
[ "$(record_count running "ExceptionDescribe")" -ge 3 ] ||
  fail "the listener's exceptions were not described and cleared"
[ "$(record_count running "FindClass com/tessel/Controller")" = 1 ] ||
  fail "the controller was looked up more than once"
unset TESSEL_JVM_THROWS
finish_first
first_log=$(first_instance_log running)
if [ -z "$first_log" ]; then
  fail "no log of the first instance"
else
  for text in 'received from a later start: -x "a b" c\"d' \
    "received from a later start: (no arguments)"; do
    tr -d '\r' < "$first_log" | grep -qF -- "$text" || fail "the first instance's log lacks: $text"
  done
fi
object_name=$(windows_path "$E2E_DIR/running/app.exe" | tr '[:upper:]' '[:lower:]' | tr '\\ ' '__')
vm_options running | grep -qxF -- "-Dtessel.semaphoreName=Local\\$object_name" ||
  fail "the first instance's machine lacks -Dtessel.semaphoreName=Local\\$object_name"
forget_instance running

case_name "counting mode: the machine learns the numbered semaphore name"
app counting
sed -i '/^\[instance\]/,$d' "$E2E_DIR/counting.toml"
build_app "$E2E_DIR/counting.toml" "$E2E_DIR/counting/app.exe"
TESSEL_JVM_RECORD=$(windows_path "$E2E_DIR/counting/record.txt") run_app "$E2E_DIR/counting/app.exe"
expect_rc 0
object_name=$(windows_path "$E2E_DIR/counting/app.exe" | tr '[:upper:]' '[:lower:]' | tr '\\ ' '__')
vm_options counting | grep -qxF -- "-Dtessel.semaphoreName=Local\\${object_name}0" ||
  fail "the machine lacks -Dtessel.semaphoreName=Local\\${object_name}0"

case_name "a later start before the first instance's machine exists is delivered once it runs"
app early 6
start_first early 3000
sleep 2
run_app "$E2E_DIR/early/app.exe" early bird
expect_rc 0
[ "$(record_count early "CreateJavaVM version=")" = 0 ] ||
  fail "the machine existed before the later start ended; the case proves nothing"
wait_record early "$STARTUP_CALL (\"early bird\")" 1 30
finish_first
forget_instance early

case_name "six starts at one moment: one first instance, five texts delivered"
app burst
pids=()
for i in 1 2 3 4 5 6; do
  (
    cd "$TESSEL_BUILD_DIR" &&
      TESSEL_LOG=no TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
        TESSEL_JVM_MAIN_SLEEP_MS=8000 TESSEL_JVM_RECORD=$(windows_path "$E2E_DIR/burst/record.txt") \
        "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$E2E_DIR/burst/app.exe" "start $i" \
        < /dev/null > /dev/null 2>&1
  ) &
  pids+=($!)
done
for pid in "${pids[@]}"; do
  wait "$pid" || fail "a start ended with $?"
done
[ "$(record_count burst "CreateJavaVM version=")" = 1 ] ||
  fail "$(record_count burst "CreateJavaVM version=") first instances created a machine"
# Wine writes each argument with a blank in double quotes, and the text keeps them.
[ "$(record_count burst "$STARTUP_CALL (\"\"start ")" = 5 ] ||
  fail "$(record_count burst "$STARTUP_CALL") texts delivered, expected 5"
# The application's own argument is the last one the launcher class receives.
first_arg=$(record_text burst | sed -n 's/^main arg [0-9]*: "\(.*\)"$/\1/p' | tail -n 1)
[ "${first_arg#start }" != "$first_arg" ] || fail "the first instance's main had no start argument"
record_text burst | grep -qF -- "$STARTUP_CALL (\"\"$first_arg\"\")" &&
  fail "the first instance received its own text"
forget_instance burst

case_name "a later start whose arguments reach no one fails visibly (exit code 84)"
# The running instance's record names a mailslot nobody listens on: a squatted or silent
# first instance, as far as the later start can tell.
app silent
start_first silent 20000
wait_record silent "main called" 1 30
silent_name=$(windows_path "$E2E_DIR/silent/app.exe" | tr '[:upper:]' '[:lower:]')
channel=$(registry_value 'HKCU\SOFTWARE\brightmoor\tessel\mailslots' "$silent_name")
case $channel in
  *_????????????????????????????????) ;;
  *) fail "no channel with a random part recorded: '$channel'" ;;
esac
registry_set 'HKCU\SOFTWARE\brightmoor\tessel\mailslots' "$silent_name" REG_SZ \
  "${channel%_*}_00000000000000000000000000000000"
run_app "$E2E_DIR/silent/app.exe" --open secret-token-123
expect_rc 84
expect_log_contains "ERROR: the arguments were not handed to a running instance"
expect_stderr_contains "app is already running, but the running instance could not be reached"
[ "$(record_count silent "$STARTUP_CALL")" = 0 ] || fail "the text was delivered after all"
finish_first
forget_instance silent

finish
