#!/usr/bin/env bash
# The VM launch end to end: an application built with `tessel build` starts under Wine, its
# jre\ holds the runtime doubles, and main runs in the machine's OpenJDK. The Java program
# prints what reached it: system properties from the configured VM parameters, the .vmoptions
# file beside the executable and its include, a -J option, a class-path directive, arguments.
source "$(dirname "$0")/lib.sh"

JAVA_BIN=/usr/lib/jvm/java-17-openjdk-amd64/bin
APP=$E2E_DIR/app
mkdir -p "$APP/lib" "$APP/extra" "$APP/jre/bin/server" "$E2E_DIR/src/vmcheck" "$E2E_DIR/classes"

cat > "$E2E_DIR/src/vmcheck/Main.java" <<'EOF'
package vmcheck;

public final class Main {
    public static void main(String[] args) throws Exception {
        System.out.println("vmcheck: args " + args.length + " " + java.util.Arrays.toString(args));
        for (String name : new String[] {"from.param", "both", "from.file", "from.include", "from.j",
                "tessel.unextractedPosition"}) {
            System.out.println("vmcheck: " + name + "=" + System.getProperty(name));
        }
        System.out.println("vmcheck: helper " + Class.forName("vmcheck.Helper").getSimpleName());
        System.err.println("vmcheck: on standard error");
        if (args.length > 0 && args[0].equals("--throw")) {
            throw new IllegalStateException("settings.xml is unreadable\nsecond line");
        }
        if (args.length > 0 && args[0].startsWith("--exit=")) {
            System.exit(Integer.parseInt(args[0].substring(7)));
        }
    }
}
EOF
cat > "$E2E_DIR/src/vmcheck/Helper.java" <<'EOF'
package vmcheck;

public final class Helper {
}
EOF
"$JAVA_BIN/javac" --release 8 -nowarn -d "$E2E_DIR/classes" "$E2E_DIR"/src/vmcheck/*.java || {
  fail "javac failed"; finish; }
"$JAVA_BIN/jar" cf "$APP/lib/vmcheck.jar" -C "$E2E_DIR/classes" vmcheck/Main.class
# The helper is only reachable through the "-classpath/a" line of the included options file.
mkdir -p "$APP/extra/vmcheck"
cp "$E2E_DIR/classes/vmcheck/Helper.class" "$APP/extra/vmcheck/"
cp "$TESSEL_RUNTIME_JAR" "$APP/lib/"

runtime_double "$APP/jre" 'openjdk version "17.0.2" 2022-01-18'
export TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$JAVA_BIN/java

write_project vmcheck <<'EOF'
[application]
executable_type = 2

[java]
main_class = "vmcheck.Main"
class_path = "S0.\\lib;"
vm_parameters = "-Dfrom.param=p1 -Dboth=param"
allow_j_options = 1
search_sequence = "B.\\jre"
EOF
build_app "$E2E_DIR/vmcheck.toml" "$APP/vmcheck.exe"

printf '# options beside the executable\r\n  -Dboth=file  \r\n-Dfrom.file=yes\r\n-include-options conf\\extra.vmoptions\r\n' \
  > "$APP/vmcheck.vmoptions"
mkdir -p "$APP/conf"
# Relative include names resolve against the including file; class-path lists are taken as
# they are, so the appended directory is made absolute by expansion.
printf -- '-Dfrom.include=yes\n-classpath/a ${TESSEL_EXEDIR}extra\n-include-options extra.vmoptions\n' \
  > "$APP/conf/extra.vmoptions"

case_name "options of every source reach the machine, the file after the parameters"
run_app "$APP/vmcheck.exe" -J-Dfrom.j=yes "arg one" two
expect_rc 0
expect_stdout_contains "vmcheck: args 2 [arg one, two]"
expect_stdout_contains "vmcheck: from.param=p1"
expect_stdout_contains "vmcheck: both=file"
expect_stdout_contains "vmcheck: from.file=yes"
expect_stdout_contains "vmcheck: from.include=yes"
expect_stdout_contains "vmcheck: from.j=yes"
expect_stdout_contains "vmcheck: tessel.unextractedPosition=0"
expect_stdout_contains "vmcheck: helper Helper"
expect_stderr_contains "vmcheck: on standard error"
expect_log_contains "skipped: the file is already being read"
expect_log_contains "main returned"
expect_log_contains "launch done"

case_name "System.exit of the application is the executable's exit code"
run_app "$APP/vmcheck.exe" --exit=5
expect_rc 5
expect_stdout_contains "vmcheck: args 1 [--exit=5]"

case_name "configured output files receive the application's streams"
cat "$E2E_DIR/vmcheck.toml" - > "$E2E_DIR/redirect.toml" <<'TOML'
[keys]
redirect_stderr = 1
stderr_file = "logs\\err.txt"
redirect_stdout = 1
stdout_file = "${TESSEL_EXEDIR}out.txt"
TOML
build_app "$E2E_DIR/redirect.toml" "$APP/redirect.exe"
mkdir -p "$APP/logs"
cp "$APP/vmcheck.vmoptions" "$APP/redirect.vmoptions"
run_app "$APP/redirect.exe" quiet
expect_rc 0
grep -qF "vmcheck: args 1 [quiet]" "$APP/out.txt" 2>/dev/null || fail "out.txt lacks the output"
grep -qF "vmcheck: on standard error" "$APP/logs/err.txt" 2>/dev/null || fail "err.txt lacks the error output"
[ -z "$STDOUT" ] || fail "standard output should be empty: $STDOUT"

case_name "an exception out of main is named below the message, by its first line"
run_app "$APP/vmcheck.exe" --throw
expect_rc 1
expect_stderr_contains "The JVM could not be started."
expect_stderr_contains "java.lang.IllegalStateException: settings.xml is unreadable"
expect_stderr_lacks "unreadable second line"
expect_log_contains "ERROR: main ended with an exception: java.lang.IllegalStateException: settings.xml is unreadable"

case_name "a misspelt main class is named as not found, not as a heap or antivirus problem"
sed 's/^main_class = .*/main_class = "vmcheck.Mian"/' "$E2E_DIR/vmcheck.toml" > "$E2E_DIR/misspelt.toml"
build_app "$E2E_DIR/misspelt.toml" "$APP/misspelt.exe"
run_app "$APP/misspelt.exe"
expect_rc 1
expect_stderr_contains "Couldn't load main class vmcheck.Mian."
expect_stderr_lacks "The JVM could not be started."
expect_log_contains "ERROR: main class vmcheck.Mian not found in the class path"

case_name "a main class without main is named"
sed 's/^main_class = .*/main_class = "vmcheck.Helper"/' "$E2E_DIR/vmcheck.toml" > "$E2E_DIR/nomain.toml"
build_app "$E2E_DIR/nomain.toml" "$APP/nomain.exe"
cp "$APP/vmcheck.vmoptions" "$APP/nomain.vmoptions"
run_app "$APP/nomain.exe"
expect_rc 1
expect_stderr_contains "Main method not found in class vmcheck.Helper."
expect_stderr_lacks "The JVM could not be started."
expect_log_contains "ERROR: main class vmcheck.Helper has no public static main(String[]) method"

case_name "a class the application needs but cannot find is the application's exception"
rm "$APP/vmcheck.vmoptions"
run_app "$APP/vmcheck.exe"
expect_rc 1
expect_stderr_contains "ClassNotFoundException: vmcheck.Helper"
expect_stderr_contains "The JVM could not be started."
expect_log_contains "ERROR: main ended with an exception: java.lang.ClassNotFoundException: vmcheck.Helper"

case_name "without a .vmoptions file each of its two names is tried once"
# The running module's path is the launcher path here: a second look would open the same files.
tries=$(log_text | grep -c "vmoptions2: exe")
[ "$tries" = 1 ] || fail "the name with .exe replaced was tried $tries times"
tries=$(log_text | grep -c "vmoptions: opts2:")
[ "$tries" = 1 ] || fail "the name with .vmoptions appended was tried $tries times"

finish
