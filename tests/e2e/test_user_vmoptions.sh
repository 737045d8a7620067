#!/usr/bin/env bash
# A user's own options file ([java] user_vmoptions) end to end: its lines come after the
# configured parameters and the file beside the executable, so its -Xmx and properties win, its
# directives work, and a missing one adds nothing. Main runs in the machine's OpenJDK.
source "$(dirname "$0")/lib.sh"

JAVA_BIN=/usr/lib/jvm/java-17-openjdk-amd64/bin
APP=$E2E_DIR/app
mkdir -p "$APP/lib" "$APP/extra/uo" "$E2E_DIR/src/uo" "$E2E_DIR/classes"
cat > "$E2E_DIR/src/uo/Main.java" <<'EOF2'
package uo;

public final class Main {
    public static void main(String[] args) throws Exception {
        System.out.println("who=" + System.getProperty("who") + " beside=" + System.getProperty("beside")
            + " user=" + System.getProperty("user.only") + " included=" + System.getProperty("included")
            + " heap=" + Runtime.getRuntime().maxMemory() / (1024 * 1024));
        try {
            Class.forName("uo.Extra");
            System.out.println("extra on the class path");
        } catch (ClassNotFoundException e) {
            System.out.println("no extra");
        }
    }
}
EOF2
printf 'package uo;\npublic final class Extra {}\n' > "$E2E_DIR/src/uo/Extra.java"
"$JAVA_BIN/javac" --release 8 -nowarn -d "$E2E_DIR/classes" "$E2E_DIR"/src/uo/*.java || { fail "javac failed"; finish; }
"$JAVA_BIN/jar" cf "$APP/lib/uo.jar" -C "$E2E_DIR/classes" uo/Main.class
cp "$E2E_DIR/classes/uo/Extra.class" "$APP/extra/uo/"
cp "$TESSEL_RUNTIME_JAR" "$APP/lib/"
runtime_double "$APP/jre" 'openjdk version "17.0.2" 2022-01-18'
export TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$JAVA_BIN/java

# The user's folder under the prefix's APPDATA, with a blank and an apostrophe in its name.
FOLDER="O'Brien App $$"
write_project uo <<EOF2
[application]
executable_type = 2
[java]
main_class = "uo.Main"
class_path = "S0.\\\\lib;"
vm_parameters = "-Xmx48m -Dwho=parameters"
search_sequence = "B.\\\\jre"
user_vmoptions = "\${APPDATA}\\\\$FOLDER\\\\uo.vmoptions"
EOF2
build_app "$E2E_DIR/uo.toml" "$APP/uo.exe"
printf -- '-Dwho=beside\r\n-Dbeside=yes\r\n' > "$APP/uo.vmoptions"

USERS=$TESSEL_BUILD_DIR/wineprefix/drive_c/users
APPDATA_DIR=$USERS/$(id -un)/AppData/Roaming
[ -d "$APPDATA_DIR" ] || APPDATA_DIR=$(ls -d "$USERS"/*/AppData/Roaming | grep -v /Public/ | head -n 1)
USER_DIR=$APPDATA_DIR/$FOLDER
mkdir -p "$USER_DIR"
trap 'rm -rf "$USER_DIR"' EXIT
printf -- '# mine\r\n-Xmx96m\r\n-Dwho=user\r\n-Duser.only=yes\r\n-include-options more.vmoptions\r\n-classpath/a ${TESSEL_EXEDIR}extra\r\n' \
  > "$USER_DIR/uo.vmoptions"
printf -- '-Dincluded=yes\n' > "$USER_DIR/more.vmoptions"

case_name "the user's file comes last and wins; its directives work"
run_app "$APP/uo.exe"
expect_rc 0
heap=$(printf '%s' "$STDOUT" | sed -n 's/.* heap=\([0-9]*\).*/\1/p')
[ -n "$heap" ] && [ "$heap" -gt 64 ] || fail "the user's -Xmx96m did not win over -Xmx48m (heap $heap MB)"
expect_stdout_contains "who=user beside=yes user=yes included=yes"
expect_stdout_contains "extra on the class path"
expect_log_contains "user vmoptions file: C:\\users\\"
expect_log_contains "\\$FOLDER\\uo.vmoptions, file: "

case_name "a missing user file adds nothing"
rm -rf "$USER_DIR"
run_app "$APP/uo.exe"
expect_rc 0
expect_stdout_contains "who=beside beside=yes user=null included=null"
expect_stdout_contains "no extra"
expect_log_contains "\\$FOLDER\\uo.vmoptions, file: 0000000000000000"

finish
