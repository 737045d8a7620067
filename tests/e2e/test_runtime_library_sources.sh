#!/usr/bin/env bash
# Where the launcher's own class (com.tessel.runtime.WinLauncher) comes from when the project
# names no class path and embeds only data: the build warns, since it cannot see the
# installation; a start without more fails, not finding the class; a -classpath/a line in
# APP.vmoptions beside the same executable makes it start. Jars embedded in user\ join the
# class path, as the build's check counts them. The jvm.dll double hands main to this
# machine's OpenJDK.
. "$TESSEL_SOURCE_DIR/tests/e2e/lib.sh"

java_home=/usr/lib/jvm/java-17-openjdk-amd64
for f in "$DOUBLES/java_exe/java.exe" "$DOUBLES/jvm_dll/jvm.dll" "$java_home/bin/javac" \
         "$TESSEL_RUNTIME_JAR"; do
  [ -f "$f" ] || { fail "missing $f"; finish; }
done

mkdir -p "$E2E_DIR/src/emb" "$E2E_DIR/classes"
cat > "$E2E_DIR/src/emb/Hello.java" <<'JAVA'
package emb;

import java.io.PrintWriter;

public class Hello {
    public static void main(String[] args) throws Exception {
        try (PrintWriter out = new PrintWriter(args[args.length - 1], "UTF-8")) {
            out.println("hello from " + Hello.class.getProtectionDomain().getCodeSource()
                    .getLocation().getPath().replaceAll(".*/", ""));
        }
    }
}
JAVA
"$java_home/bin/javac" --release 8 -nowarn -d "$E2E_DIR/classes" "$E2E_DIR/src/emb/Hello.java" ||
  { fail "javac failed"; finish; }
"$java_home/bin/jar" cf "$E2E_DIR/hello.jar" -C "$E2E_DIR/classes" . || { fail "jar failed"; finish; }
cp "$TESSEL_RUNTIME_JAR" "$E2E_DIR/tessel-runtime.jar"
printf 'data' > "$E2E_DIR/data.bin"

report=$E2E_DIR/report.txt
expect_report() {
  local actual
  actual=$(cat "$report" 2>/dev/null)
  [ "$actual" = "$1" ] || fail "the application reported '$actual', expected '$1'"
  rm -f "$report"
}

# Data and a jar below lib\: extracted at every start, never on the class path.
app=$E2E_DIR/data-only
runtime_double "$app/jre"
write_project data-only <<'TOML'
[application]
executable_type = 2
[java]
main_class = "emb.Hello"
search_sequence = "B.\\jre;"
[[embed]]
source = "data.bin"
[[embed]]
source = "hello.jar"
name = "lib\\hello.jar"
TOML

case_name "no class path and only data embedded: built with a warning that says how it can start"
if ! out=$("$TESSEL_TOOL" build "$E2E_DIR/data-only.toml" -o "$app/app.exe" 2>&1); then
  fail "the build was refused: $out"
fi
printf '%s' "$out" | grep -qF "data-only.toml: the project names no class path" ||
  fail "no warning naming the project: $out"
printf '%s' "$out" | grep -qF "found only where a -classpath line adds it (APP.vmoptions beside the executable" ||
  fail "the warning does not say how it can start: $out"

case_name "started as built, the launcher's class is not found"
TESSEL_JVM_REAL=1 run_app "$app/app.exe" "$report"
expect_rc_not 0
[ -f "$report" ] && fail "the application ran without its class path"
expect_stderr_contains "ClassNotFoundException: com.tessel.runtime.WinLauncher"

case_name "a -classpath/a line of APP.vmoptions beside it gives the same executable its classes"
mkdir -p "$app/lib"
cp "$E2E_DIR/tessel-runtime.jar" "$E2E_DIR/hello.jar" "$app/lib/"
printf -- '-classpath/a ${TESSEL_EXEDIR}lib\\tessel-runtime.jar;${TESSEL_EXEDIR}lib\\hello.jar\r\n' \
  > "$app/app.vmoptions"
TESSEL_JVM_REAL=1 run_app "$app/app.exe" "$report"
expect_rc 0
expect_report "hello from hello.jar"

case_name "jars embedded in user\\ join the class path, and the build counts them"
app=$E2E_DIR/user-jars
runtime_double "$app/jre"
write_project user-jars <<'TOML'
[application]
executable_type = 2
[java]
main_class = "emb.Hello"
search_sequence = "B.\\jre;"
[[embed]]
source = "hello.jar"
name = "user\\hello.jar"
[[embed]]
source = "tessel-runtime.jar"
name = "user\\tessel-runtime.jar"
TOML
if ! out=$("$TESSEL_TOOL" build "$E2E_DIR/user-jars.toml" -o "$app/app.exe" 2>&1); then
  fail "the build was refused: $out"
fi
printf '%s' "$out" | grep -qF "tessel-runtime" && fail "the build did not see the library: $out"
TESSEL_JVM_REAL=1 run_app "$app/app.exe" "$report"
expect_rc 0
expect_report "hello from hello.jar"

finish
