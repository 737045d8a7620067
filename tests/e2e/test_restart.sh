#!/usr/bin/env bash
# Restarts end to end: how each start of an application ends is scripted in the jvm.dll
# double (TESSEL_JVM_MAIN_ENDS: System.exit through the runtime's exit hook, a crash, a return),
# which records every start's options and main arguments in one file; the last case runs main
# in the machine's OpenJDK, whose System.exit reaches the launcher through the same hook.
# A run here is up to four starts in a row: a longer limit per run on a loaded machine.
E2E_TIMEOUT=${E2E_TIMEOUT:-240}
source "$(dirname "$0")/lib.sh"

unset TESSEL_JAVA_HOME CORVANE_JAVA_HOME TESSEL_JVM_MAIN_ENDS TESSEL_JVM_CREATE_RESULT
E2E_TMP=$E2E_DIR/tmp  # the logs of every process of a run, apart from other tests'

# app NAME: a console application with the runtime doubles; its [restart] (and further
# sections) from standard input.
app() {
  local dir=$E2E_DIR/$1
  runtime_double "$dir/jre" 'openjdk version "17.0.2" 2022-01-18'
  {
    printf '[application]\nexecutable_type = 2\n[java]\nmain_class = "com.example.Main"\n'
    printf 'search_sequence = "B.\\\\jre;"\nruntime_library = "external"\n'
    cat
  } > "$E2E_DIR/$1.toml"
  build_app "$E2E_DIR/$1.toml" "$dir/app.exe"
}

# run NAME [ARG...]: a run with a fresh record and log directory.
run() {
  local name=$1
  shift
  rm -rf "$E2E_TMP" "$E2E_DIR/$name/record.txt"
  mkdir -p "$E2E_TMP"
  TESSEL_JVM_RECORD=$(windows_path "$E2E_DIR/$name/record.txt") run_app "$E2E_DIR/$name/app.exe" "$@"
}
record_text() { [ -f "$E2E_DIR/$1/record.txt" ] && tr -d '\r' < "$E2E_DIR/$1/record.txt"; }
logs_text() { cat "$E2E_TMP"/cvn_nlog* 2>/dev/null | tr -d '\r'; }
expect_starts() {
  local n
  n=$(record_text "$1" | grep -c '^main called')
  [ "$n" = "$2" ] && return
  fail "$1: $n starts, expected $2"
  record_text "$1" | grep -E '^(main called|start [0-9]|option [0-9]+: -Dtessel.restart)' | sed 's/^/    record| /' >&2
}
expect_record() {
  local n
  n=$(record_text "$1" | grep -cxF -- "$2")
  [ "$n" = "$3" ] && return
  fail "$1: the record has $n lines '$2', expected $3"
}
expect_logs() {
  logs_text | grep -qF -- "$1" && return
  fail "no log of the run has: $1"
  logs_text | grep -E 'restart|start|supervis|ended' | sed 's/^/    log| /' >&2
}

app listed <<'EOF2'
[restart]
exit_codes = [3]
max_restarts = 2
delay_ms = 50
EOF2

case_name "an exit code in exit_codes starts the application again, up to the bound"
TESSEL_JVM_MAIN_ENDS=3 run listed one "two words"
expect_rc 3
expect_starts listed 3
expect_record listed 'main arg 6: "one"' 3
expect_record listed 'main arg 7: "two words"' 3
[ "$(record_text listed | grep -c ': -Dtessel.restartCount=1$')" = 1 ] || fail "no single -Dtessel.restartCount=1"
[ "$(record_text listed | grep -c ': -Dtessel.restartCount=2$')" = 1 ] || fail "no single -Dtessel.restartCount=2"
[ "$(record_text listed | grep -c ': -Dtessel.restartCount=')" = 2 ] || fail "the first start had a restart count"
[ "$(record_text listed | grep -c 'calling the exit hook with 3')" = 3 ] || fail "the exit hook was not called at every System.exit"
expect_logs "restart 1 of at most 2 after exit code 3, in 50 ms"
expect_logs "restart 2 of at most 2 after exit code 3, in 100 ms"
expect_logs "start ended with exit code 3 after"
expect_logs "max_restarts reached"

case_name "a restart that ends normally ends the executable with its code"
TESSEL_JVM_MAIN_ENDS=3,return run listed
expect_rc 0
expect_starts listed 2

case_name "an exit code not listed ends the executable"
TESSEL_JVM_MAIN_ENDS=4 run listed
expect_rc 4
expect_starts listed 1
expect_logs "application ended with exit code 4: exit code not listed"

case_name "a start whose virtual machine cannot be created is not repeated"
TESSEL_JVM_MAIN_ENDS=3 TESSEL_JVM_CREATE_RESULT=-1 run listed
expect_rc 1
[ "$(record_text listed | grep -c '^CreateJavaVM version=')" = 1 ] || fail "the failed creation was repeated"

app crash <<'EOF2'
[restart]
exit_codes = [3]
on_crash = true
max_restarts = 2
EOF2

case_name "on_crash: the supervising process starts the application again after a crash"
TESSEL_JVM_MAIN_ENDS=crash,3,return run crash arg
expect_rc 0
expect_starts crash 3
expect_record crash 'main arg 6: "arg"' 3
expect_record crash "start 0 ends by crash" 1
expect_logs "supervising the application's starts"
expect_logs "start ended with exit code 3221225477 after"

case_name "on_crash: a crash loop ends at the bound with the crash's code"
TESSEL_JVM_MAIN_ENDS=crash run crash
expect_rc 5  # 0xC0000005, modulo 256
expect_starts crash 3

case_name "on_crash: a failed start is not repeated"
TESSEL_JVM_MAIN_ENDS=crash TESSEL_JVM_CREATE_RESULT=-1 run crash
expect_rc 1
[ "$(record_text crash | grep -c '^CreateJavaVM version=')" = 1 ] || fail "the failed creation was repeated"
expect_logs "failed start, not repeated"

case_name "without on_crash a crash is the end"
TESSEL_JVM_MAIN_ENDS=crash run listed
expect_rc 5
expect_starts listed 1

app single <<EOF2
[instance]
single_instance = true
[restart]
exit_codes = [3]
EOF2

case_name "single instance: the restarted start becomes the instance itself"
TESSEL_JVM_MAIN_ENDS=3,return run single x
expect_rc 0
expect_starts single 2
expect_logs "released the instance semaphore"
[ "$(logs_text | grep -c 'other pid')" = 0 ] || fail "a start handed its arguments over"
[ "$(logs_text | grep -c 'creating mailslot successful')" = 2 ] || fail "the restarted start did not listen"

# --- main in the machine's OpenJDK: System.exit reaches the launcher through the exit hook ---
JAVA_BIN=/usr/lib/jvm/java-17-openjdk-amd64/bin
mkdir -p "$E2E_DIR/src/up" "$E2E_DIR/classes" "$E2E_DIR/real/lib"
cat > "$E2E_DIR/src/up/Main.java" <<'EOF2'
package up;

public final class Main {
    public static void main(String[] args) {
        String count = System.getProperty("tessel.restartCount");
        System.out.println("start " + count + " " + String.join("|", args));
        if (count == null) System.exit(3);  // "after an update"
    }
}
EOF2
"$JAVA_BIN/javac" --release 8 -nowarn -d "$E2E_DIR/classes" "$E2E_DIR/src/up/Main.java" || { fail "javac failed"; finish; }
"$JAVA_BIN/jar" cf "$E2E_DIR/real/lib/up.jar" -C "$E2E_DIR/classes" up
cp "$TESSEL_RUNTIME_JAR" "$E2E_DIR/real/lib/"
app real <<'EOF2'
[restart]
exit_codes = [3]
EOF2
sed -i 's/com.example.Main/up.Main/; s/^search_sequence.*/&\nclass_path = "S0.\\\\lib;"/' "$E2E_DIR/real.toml"
build_app "$E2E_DIR/real.toml" "$E2E_DIR/real/app.exe"

case_name "System.exit(3) in a real runtime restarts the application"
TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$JAVA_BIN/java run real a "b c"
expect_rc 0
expect_stdout_contains "start null a|b c"
expect_stdout_contains "start 1 a|b c"
expect_starts real 2

finish
