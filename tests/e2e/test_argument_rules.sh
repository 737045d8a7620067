#!/usr/bin/env bash
# How a real application receives the user's arguments: one exact command line (quotes with
# backslashes, an apostrophe) started once as a first start through the OpenJDK bridge and once
# as a later start handed over to a running instance, for an executable with the Windows rules
# (what tessel build writes by default) and one with the launcher's own rule. Both paths must
# give the application the same arguments.
. "$TESSEL_SOURCE_DIR/tests/e2e/lib.sh"

java_home=/usr/lib/jvm/java-17-openjdk-amd64
EXACT=$TESSEL_BUILD_DIR/tests/e2e/exact_command_line.exe
STARTUP_CALL='call com/tessel/Controller.startupPerformed(Ljava/lang/String;)V'
for f in "$EXACT" "$DOUBLES/java_exe/java.exe" "$DOUBLES/jvm_dll/jvm.dll" "$java_home/bin/javac" \
         "$TESSEL_RUNTIME_JAR"; do
  [ -f "$f" ] || { fail "missing $f"; finish; }
done
unset TESSEL_JAVA_HOME CORVANE_JAVA_HOME TESSEL_JVM_THROWS

# The application writes each argument after the first (the report's path) in brackets, and
# the property that a -J option sets.
mkdir -p "$E2E_DIR/src" "$E2E_DIR/classes"
cat > "$E2E_DIR/src/Report.java" <<'JAVA'
import java.io.PrintWriter;

public class Report {
    public static void main(String[] args) throws Exception {
        try (PrintWriter out = new PrintWriter(args[0], "UTF-8")) {
            for (int i = 1; i < args.length; i++) {
                out.println("[" + args[i] + "]");
            }
            out.println("note=" + System.getProperty("note"));
        }
    }
}
JAVA
# A later start's text as the running application's library splits it: the launcher hands
# the text to Controller.startupPerformed, the library splits it by tessel.argumentRules.
cat > "$E2E_DIR/src/HandOver.java" <<'JAVA'
import com.tessel.Controller;
import com.tessel.StartupListener;
import java.io.PrintWriter;
import java.lang.reflect.Method;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

public class HandOver {
    public static void main(String[] args) throws Exception {
        String text = new String(Files.readAllBytes(Paths.get(args[0])), StandardCharsets.UTF_8);
        String report = args[1];
        CountDownLatch done = new CountDownLatch(1);
        Controller.addStartupListener(StartupListener.withArguments(arguments -> {
            try (PrintWriter out = new PrintWriter(report, "UTF-8")) {
                for (int i = 1; i < arguments.size(); i++) {
                    out.println("[" + arguments.get(i) + "]");
                }
                out.println("note=null");
            } catch (Exception e) {
                throw new RuntimeException(e);
            }
            done.countDown();
        }));
        Method call = Controller.class.getDeclaredMethod("startupPerformed", String.class);
        call.setAccessible(true);
        call.invoke(null, text);
        if (!done.await(30, TimeUnit.SECONDS)) {
            System.exit(3);
        }
    }
}
JAVA
"$java_home/bin/javac" --release 8 -nowarn -cp "$TESSEL_RUNTIME_JAR" -d "$E2E_DIR/classes" \
  "$E2E_DIR/src/Report.java" "$E2E_DIR/src/HandOver.java" || { fail "javac failed"; finish; }
"$java_home/bin/jar" cf "$E2E_DIR/report.jar" -C "$E2E_DIR/classes" Report.class ||
  { fail "jar failed"; finish; }

# app NAME [RULES]: an application with the runtime doubles beside it; RULES (when given) is
# its argument_rules.
app() {
  local dir=$E2E_DIR/$1
  runtime_double "$dir/jre"
  mkdir -p "$dir/lib"
  cp "$E2E_DIR/report.jar" "$TESSEL_RUNTIME_JAR" "$dir/lib/"
  {
    printf '[application]\nname = "Args"\nexecutable_type = 2\n'
    [ -n "${2:-}" ] && printf 'argument_rules = "%s"\n' "$2"
    printf '[java]\nmain_class = "Report"\nclass_path = "S0.\\\\lib;"\n'
    printf 'search_sequence = "B.\\\\jre;"\nallow_j_options = true\n'
    printf '[instance]\nsingle_instance = true\n'
  } > "$E2E_DIR/$1.toml"
  build_app "$E2E_DIR/$1.toml" "$dir/app.exe"
}

# run_line NAME TEXT: starts NAME's app.exe with exactly TEXT after the program name.
run_line() {
  local exe=$E2E_DIR/$1/app.exe
  printf '"%s" %s' "$(windows_path "$exe")" "$2" > "$E2E_DIR/line.txt"
  run_app "$EXACT" "$(windows_path "$E2E_DIR/line.txt")"
  LAST_LOG=$(find_run_log "$(windows_path "$exe")" "$E2E_DIR/.run-marker")
}

report=$E2E_DIR/report.txt
expect_report() {
  local actual
  actual=$(cat "$report" 2>/dev/null)
  [ "$actual" = "$1" ] || fail "the application received
$actual
expected
$1"
  rm -f "$report"
}

# The expression of a scripting language's command line, a file name with an apostrophe (the
# shell quotes only names with blanks), a quoted name with a blank, and a -J option.
LINE="$report -e \"(println (str \\\"sum=\\\" 42))\" O'Neil.txt b.txt \"my file.txt\""
WINDOWS_ARGS=$(printf '%s\n' '[-e]' '[(println (str "sum=" 42))]' "[O'Neil.txt]" '[b.txt]' \
  '[my file.txt]' 'note=null')
# The launcher's own rule: both quotes quote, no escapes.
OWN_ARGS=$(printf '%s\n' '[-e]' '[(println (str \]' '[sum=\ 42))]' \
  '[ONeil.txt b.txt "my file.txt"]' 'note=null')

app windows
app own launcher

case_name "a first start with the Windows rules: the arguments java.exe would give"
TESSEL_JVM_REAL=1 run_line windows "$LINE"
expect_rc 0
expect_log_contains "arguments split by the Windows rules: 6"
expect_report "$WINDOWS_ARGS"

case_name "a first start with the launcher's rule keeps its old split"
TESSEL_JVM_REAL=1 run_line own "$LINE"
expect_rc 0
expect_log_lacks "arguments split by the Windows rules"
expect_report "$OWN_ARGS"

case_name "the launcher's options and the log option are recognised under both rules"
for name in windows own; do
  TESSEL_LOG= TESSEL_JVM_REAL=1 run_line "$name" "-create-tsl-log \"-J-Dnote=a b\" $report 'x y'"
  expect_rc 0
  [ -n "$LAST_LOG" ] || fail "$name: the log option wrote no log"
  if [ "$name" = windows ]; then
    expect_report "$(printf '%s\n' "['x]" "[y']" 'note=a b')"
  else
    expect_report "$(printf '%s\n' '[x y]' 'note=a b')"
  fi
done

# start_first NAME: the first instance in the background (the recording double, main blocks).
start_first() {
  local dir=$E2E_DIR/$1
  rm -f "$dir/record.txt"
  (
    cd "$TESSEL_BUILD_DIR" &&
      TESSEL_LOG=yes TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
        TESSEL_JVM_MAIN_SLEEP_MS=20000 TESSEL_JVM_RECORD=$(windows_path "$dir/record.txt") \
        "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$dir/app.exe" first \
        < /dev/null > "$dir/first.stdout" 2> "$dir/first.stderr"
  ) &
  FIRST_PID=$!
}
record_text() { [ -f "$E2E_DIR/$1/record.txt" ] && tr -d '\r' < "$E2E_DIR/$1/record.txt"; }
wait_record() {
  local i
  for ((i = 0; i < $3 * 10; i++)); do
    record_text "$1" | grep -qF -- "$2" && return 0
    sleep 0.1
  done
  fail "the record of $1 has no line with: $2"
  return 1
}

for name in windows own; do
  case_name "$name: a later start handed over gets the same arguments as a first start"
  start_first "$name"
  wait_record "$name" "main called" 30
  run_line "$name" "$LINE"
  expect_rc 0
  expect_log_contains "sent to the running instance"
  wait_record "$name" "$STARTUP_CALL" 15
  rules=$(record_text "$name" | sed -n 's/^option [0-9]*: -Dtessel.argumentRules=//p')
  expected_rules=windows
  [ "$name" = own ] && expected_rules=launcher
  [ "$rules" = "$expected_rules" ] || fail "the running instance's machine was told rules '$rules'"
  record_text "$name" | grep -F -- "$STARTUP_CALL" | head -n 1 |
    sed "s/^.*V (\"//; s/\")\$//" | tr -d '\n' > "$E2E_DIR/$name.handed"
  "$java_home/bin/java" -Dtessel.argumentRules="$rules" -cp "$E2E_DIR/classes:$TESSEL_RUNTIME_JAR" \
    HandOver "$E2E_DIR/$name.handed" "$report" || fail "the hand-over harness failed"
  if [ "$name" = windows ]; then expect_report "$WINDOWS_ARGS"; else expect_report "$OWN_ARGS"; fi
  wait "$FIRST_PID"
done

finish
