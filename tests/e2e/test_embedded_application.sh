#!/usr/bin/env bash
# A whole application carried inside its executable: the application jar, the runtime
# library and an empty file are embedded with `tessel build`, extracted at start, the jars
# join the class path from the per-launch directory, and the application's class is loaded
# from there. The runtime beside the
# executable is the java.exe and jvm.dll doubles; the jvm.dll double hands main to this
# machine's OpenJDK.
. "$TESSEL_SOURCE_DIR/tests/e2e/lib.sh"
# A temporary directory of its own: other tests' starts remove ended launches' directories
# from the shared one, and this test looks into its directory after the launch ended.
export E2E_TMP=$E2E_DIR/tmp

java_home=/usr/lib/jvm/java-17-openjdk-amd64
for f in "$DOUBLES/java_exe/java.exe" "$DOUBLES/jvm_dll/jvm.dll" "$java_home/bin/javac" \
         "$TESSEL_RUNTIME_JAR"; do
  [ -f "$f" ] || { fail "missing $f"; finish; }
done

# The application: its main class writes what the launcher told it into the file its last
# argument names (the real runtime is a Linux program, whose output Wine does not pass back).
mkdir -p "$E2E_DIR/src/emb" "$E2E_DIR/classes"
cat > "$E2E_DIR/src/emb/Hello.java" <<'JAVA'
package emb;

import java.io.PrintWriter;

public class Hello {
    public static void main(String[] args) throws Exception {
        String report = args[args.length - 1];
        try (PrintWriter out = new PrintWriter(report, "UTF-8")) {
            out.println("hello from " + Hello.class.getProtectionDomain().getCodeSource()
                    .getLocation().getPath().replaceAll(".*/", ""));
            out.println("unextracted " + System.getProperty("tessel.unextractedPosition"));
            out.println("args " + String.join(",", args));
        }
    }
}
JAVA
"$java_home/bin/javac" --release 8 -nowarn -d "$E2E_DIR/classes" "$E2E_DIR/src/emb/Hello.java" ||
  { fail "javac failed"; finish; }
"$java_home/bin/jar" cf "$E2E_DIR/hello.jar" -C "$E2E_DIR/classes" . || { fail "jar failed"; finish; }
cp "$TESSEL_RUNTIME_JAR" "$E2E_DIR/tessel-runtime.jar"

runtime_double "$E2E_DIR/app/jre"

write_project app <<'TOML'
[application]
name = "Embedded"
executable_type = 2
[java]
main_class = "emb.Hello"
search_sequence = "B.\\jre;"
[[embed]]
source = "hello.jar"
[[embed]]
source = "tessel-runtime.jar"
[[embed]]
source = "empty.txt"
TOML
: > "$E2E_DIR/empty.txt"
build_app "$E2E_DIR/app.toml" "$E2E_DIR/app/app.exe"

case_name "the application's class comes from the extracted jar"
report=$E2E_DIR/report.txt
TESSEL_JVM_REAL=1 run_app "$E2E_DIR/app/app.exe" one two "$report"
expect_rc 0
expect_log_contains "Included files: 3"
expect_log_contains "extracting files done"
# The position behind the last record is where the trailer of the file begins.
behind=$(python3 -c 'import sys; print(open(sys.argv[1], "rb").read().rfind(bytes([0xE8, 0xE4, 0x13, 0xD5])))' \
  "$E2E_DIR/app/app.exe")
expect_report() {
  local actual
  actual=$(cat "$report" 2>/dev/null)
  [ "$actual" = "$1" ] || fail "the application reported '$actual', expected '$1'"
  rm -f "$report"
}
expect_report "$(printf 'hello from hello.jar\nunextracted %s\nargs one,two,%s' "$behind" "$report")"
dir=$(log_text | sed -n 's/^Temp dir3: //p' | tail -n 1)
[ -n "$dir" ] || fail "no per-launch directory in the log"
unix_dir=$(printf '%s' "${dir#[Zz]:}" | tr '\\' /)
cmp -s "$E2E_DIR/hello.jar" "$unix_dir/hello.jar" ||
  fail "the extracted hello.jar differs from its source (or a normal end removed it)"
[ -f "$unix_dir/empty.txt" ] && [ ! -s "$unix_dir/empty.txt" ] ||
  fail "the empty embedded file was not written as an empty file"

case_name "after a language restart the Java side is told there is no position"
TESSEL_JVM_REAL=1 run_app "$E2E_DIR/app/app.exe" __cvn_lang_restart "$report"
expect_rc 0
expect_report "$(printf 'hello from hello.jar\nunextracted -1\nargs __cvn_lang_restart,%s' "$report")"

# The README's example: a jar embedded one level down does not join the class path by itself;
# a class-path entry through the per-launch directory's variable takes it in.
write_project sub <<'TOML'
[application]
name = "Embedded"
executable_type = 2
[java]
main_class = "emb.Hello"
class_path = "A1${TESSEL_TEMPDIR}\\lib\\hello.jar;S0.\\lib;"
search_sequence = "B.\\jre;"
[[embed]]
source = "hello.jar"
name = "lib\\hello.jar"
[[embed]]
source = "tessel-runtime.jar"
TOML
build_app "$E2E_DIR/sub.toml" "$E2E_DIR/app/sub.exe"
sed '/^class_path = /d' "$E2E_DIR/sub.toml" > "$E2E_DIR/sub-bare.toml"
build_app "$E2E_DIR/sub-bare.toml" "$E2E_DIR/app/sub-bare.exe"

case_name "a jar embedded as lib\\hello.jar runs through a class-path entry of the per-launch directory"
TESSEL_JVM_REAL=1 run_app "$E2E_DIR/app/sub.exe" three "$report"
expect_rc 0
expect_report "$(printf 'hello from hello.jar\nunextracted %s\nargs three,%s' \
  "$(python3 -c 'import sys; print(open(sys.argv[1], "rb").read().rfind(bytes([0xE8, 0xE4, 0x13, 0xD5])))' \
    "$E2E_DIR/app/sub.exe")" "$report")"

case_name "without that entry the main class is named as not found"
TESSEL_JVM_REAL=1 run_app "$E2E_DIR/app/sub-bare.exe" "$report"
expect_rc 1
expect_stderr_contains "Couldn't load main class emb.Hello."

finish
