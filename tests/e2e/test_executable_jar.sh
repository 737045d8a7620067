#!/usr/bin/env bash
# An executable jar end to end: `tessel build` reads the manifest of lib\app.jar (Main-Class,
# Class-Path, Add-Opens, Add-Exports, Enable-Native-Access) and the launcher, under Wine, starts
# it as `java -jar` would, with main running in the machine's OpenJDK 17. The application
# needs the opened and the exported package: without them Java 17 refuses its accesses.
source "$(dirname "$0")/lib.sh"

JAVA_BIN=/usr/lib/jvm/java-17-openjdk-amd64/bin
APP=$E2E_DIR/app
SRC=$E2E_DIR/src
mkdir -p "$APP/lib/ext" "$APP/jre/bin/server" "$SRC/jarapp" "$SRC/helper" "$E2E_DIR/classes" \
  "$E2E_DIR/helper-classes"

cat > "$SRC/helper/Helper.java" <<'EOF'
package helper;

public final class Helper {
    public static String where() {
        return "helper from " + Helper.class.getProtectionDomain().getCodeSource().getLocation().getPath()
                .replaceAll(".*/", "");
    }
}
EOF
cat > "$SRC/jarapp/Main.java" <<'EOF'
package jarapp;

import java.lang.reflect.Field;

public final class Main {
    public static void main(String[] args) throws Exception {
        // Deep reflection into java.base: needs Add-Opens java.base/java.lang.
        Field value = String.class.getDeclaredField("value");
        value.setAccessible(true);
        System.out.println("jarapp: opened String.value, " + ((byte[]) value.get("abc")).length + " bytes");
        // A public class of a package java.base does not export: needs Add-Exports.
        System.out.println("jarapp: booted " + jdk.internal.misc.VM.isBooted());
        System.out.println("jarapp: " + helper.Helper.where());
        System.out.println("jarapp: args " + java.util.Arrays.toString(args));
    }
}
EOF
"$JAVA_BIN/javac" -d "$E2E_DIR/helper-classes" "$SRC/helper/Helper.java" &&
  "$JAVA_BIN/javac" --add-exports java.base/jdk.internal.misc=ALL-UNNAMED -cp "$E2E_DIR/helper-classes" \
    -d "$E2E_DIR/classes" "$SRC/jarapp/Main.java" || { fail "javac failed"; finish; }
"$JAVA_BIN/jar" cf "$APP/lib/ext/helper one.jar" -C "$E2E_DIR/helper-classes" . || { fail "jar failed"; finish; }
# A manifest with a continued line, a %-escaped Class-Path entry and CRLF line ends.
printf 'Main-Class: jarapp.Main\r\nClass-Path: ext/helper%%20one.jar ../lib/\r\nAdd-Opens: java.base/java.lang\r\nAdd-Exports: java.base/jdk.inter\r\n nal.misc\r\nEnable-Native-Access: ALL-UNNAMED\r\n' \
  > "$E2E_DIR/manifest.txt"
"$JAVA_BIN/jar" cfm "$APP/lib/app.jar" "$E2E_DIR/manifest.txt" -C "$E2E_DIR/classes" . ||
  { fail "jar failed"; finish; }
cp "$TESSEL_RUNTIME_JAR" "$APP/lib/"
runtime_double "$APP/jre" 'openjdk version "17.0.2" 2022-01-18'
export TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$JAVA_BIN/java

case_name "the jar starts as java -jar would start it"
write_project jarapp <<'EOF'
[application]
executable_type = 2

[java]
main_jar = "lib\\app.jar"
class_path = "A1lib\\tessel-runtime.jar;"
search_sequence = "B.\\jre"
EOF
build_app "$E2E_DIR/jarapp.toml" "$APP/jarapp.exe"
run_app "$APP/jarapp.exe" a "b c"
expect_rc 0
expect_stdout_contains "jarapp: opened String.value, 3 bytes"
expect_stdout_contains "jarapp: booted true"
expect_stdout_contains "jarapp: helper from helper%20one.jar"
expect_stdout_contains "jarapp: args [a, b c]"
expect_log_contains "--add-opens=java.base/java.lang=ALL-UNNAMED"
expect_log_contains "--add-exports=java.base/jdk.internal.misc=ALL-UNNAMED"
expect_log_contains "--enable-native-access=ALL-UNNAMED"

case_name "tessel inspect shows what came from the manifest"
out=$("$TESSEL_TOOL" inspect "$APP/jarapp.exe" 2>&1 | tr -s ' ')
for line in 'main_jar lib\app.jar' \
  'jar_class_path A1lib\app.jar;A0lib\ext\helper one.jar;D0lib\..\lib\' \
  'jar_main_class jarapp.Main' \
  'jar_vm_options --add-opens=java.base/java.lang=ALL-UNNAMED --add-exports=java.base/jdk.internal.misc=ALL-UNNAMED --enable-native-access=ALL-UNNAMED'; do
  printf '%s' "$out" | grep -qF -- "$line" || fail "inspect lacks: $line"
done

case_name "without the manifest's options Java 17 refuses the accesses"
"$JAVA_BIN/java" -cp "$APP/lib/app.jar:$APP/lib/ext/helper one.jar" jarapp.Main > "$E2E_DIR/plain.out" 2>&1 &&
  fail "the application ran without Add-Opens"
grep -qF "InaccessibleObjectException" "$E2E_DIR/plain.out" || fail "no InaccessibleObjectException without Add-Opens"

case_name "main_class overrides the manifest's Main-Class"
write_project other <<'EOF'
[application]
executable_type = 2

[java]
main_jar = "lib\\app.jar"
main_class = "helper.Helper"
class_path = "A1lib\\tessel-runtime.jar;"
search_sequence = "B.\\jre"
EOF
build_app "$E2E_DIR/other.toml" "$APP/other.exe"
run_app "$APP/other.exe"
expect_rc 1
expect_stderr_contains "class helper.Helper has no public main(String[]) method"

case_name "a jar without a manifest is refused at build time"
"$JAVA_BIN/jar" cfM "$APP/lib/plain.jar" -C "$E2E_DIR/classes" . || fail "jar failed"
write_project plain <<'EOF'
[java]
main_jar = "lib\\plain.jar"
EOF
expect_build_refused "$E2E_DIR/plain.toml" "$APP/plain.exe" "no META-INF/MANIFEST.MF in the archive"

finish
