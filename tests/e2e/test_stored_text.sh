#!/usr/bin/env bash
# Project text keeps its characters under code page 1251. Values are stored as Latin-1 and read
# once from that form: "-Dnote=café" reaches the runtime as "caf?" (the code page lacks "é";
# never another letter), an embedded "café.txt" is written under that name, and a class-path
# entry "café.jar" is handed over by its short name, which names the same file. main runs in
# the machine's Java through the runtime doubles, which also record the options byte for byte.
source "$(dirname "$0")/lib.sh"

export LC_ALL=ru_RU.UTF-8 TESSEL_WINE_PREFIX=wineprefix-cp1251-text
if ! locale -a 2>/dev/null | grep -qix ru_RU.utf8; then
  echo "locale $LC_ALL is missing: run scripts/install-deps.sh" >&2
  exit 1
fi
JAVA=$(readlink -f "$(command -v java)")
JAVA_BIN=$(dirname "$JAVA")
APP=$E2E_DIR/app
mkdir -p "$APP/lib" "$E2E_DIR/src/textcheck" "$E2E_DIR/classes"

cat > "$E2E_DIR/src/textcheck/Main.java" <<'EOF'
package textcheck;

import java.io.File;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;

public final class Main {
    private static String escaped(String text) {
        if (text == null) return "null";
        StringBuilder out = new StringBuilder();
        for (char c : text.toCharArray()) {
            out.append(c < 128 ? String.valueOf(c) : String.format("\\u%04X", (int) c));
        }
        return out.toString();
    }

    public static void main(String[] args) throws Exception {
        System.out.println("textcheck: note=" + escaped(System.getProperty("note")));
        File embedded = new File(System.getProperty("tessel.tempDir"), "caf\u00e9.txt");
        System.out.println("textcheck: embedded=" + (embedded.isFile()
            ? new String(Files.readAllBytes(embedded.toPath()), StandardCharsets.UTF_8).trim()
            : "missing"));
        String jar;
        try {
            jar = Class.forName("textcheck.Cafe").getSimpleName();
        } catch (ClassNotFoundException e) {
            jar = "not found";
        }
        System.out.println("textcheck: jar=" + jar);
    }
}
EOF
printf 'package textcheck;\npublic final class Cafe {\n}\n' > "$E2E_DIR/src/textcheck/Cafe.java"
"$JAVA_BIN/javac" --release 8 -nowarn -d "$E2E_DIR/classes" "$E2E_DIR"/src/textcheck/*.java || {
  fail "javac failed"; finish; }
"$JAVA_BIN/jar" cf "$APP/lib/textcheck.jar" -C "$E2E_DIR/classes" textcheck/Main.class
"$JAVA_BIN/jar" cf "$APP/café.jar" -C "$E2E_DIR/classes" textcheck/Cafe.class
cp "$TESSEL_DIST/tessel-runtime.jar" "$APP/lib/"
runtime_double "$APP/jre" 'openjdk version "17.0.2" 2022-01-18'
printf 'accent kept\n' > "$E2E_DIR/note.txt"

write_project textcheck <<'EOF'
[application]
executable_type = 2
[java]
main_class = "textcheck.Main"
class_path = "S0.\\lib;A1café.jar;"
vm_parameters = "-Dnote=café"
search_sequence = "B.\\jre;"
[[embed]]
source = "note.txt"
name = "café.txt"
EOF
build_app "$E2E_DIR/textcheck.toml" "$APP/textcheck.exe"

RECORD=$E2E_DIR/record.txt
rm -f "$RECORD"
(cd "$APP" && TESSEL_LOG=yes TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$JAVA \
  TESSEL_JVM_RECORD=$(windows_path "$RECORD") WINE_TIMEOUT=$E2E_TIMEOUT \
  "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$APP/textcheck.exe" < /dev/null \
  > "$E2E_DIR/stdout.txt" 2> "$E2E_DIR/stderr.txt")
RC=$?
seen() { tr -d '\r' < "$E2E_DIR/stdout.txt" | sed -n "s/^textcheck: $1=//p" | head -n 1; }
recorded() { tr -d '\r' < "$RECORD" 2>/dev/null | sed -n "s/^option [0-9]*: $1=//p" | head -n 1; }

case_name "the start under code page 1251"
[ "$RC" = 0 ] || fail "exit code $RC: $(tr -d '\r' < "$E2E_DIR/stderr.txt" | head -n 5)"
grep -q '^code page 1251' "$RECORD" 2>/dev/null || fail "not code page 1251: $(grep -m1 '^code page' "$RECORD")"

case_name "a VM parameter: what the code page lacks becomes ?"
[ "$(recorded -Dnote)" = "caf?" ] || fail "the runtime got -Dnote=$(recorded -Dnote)"
[ "$(seen note)" = "caf?" ] || fail "Java saw note=$(seen note)"

case_name "an embedded file keeps its name"
[ "$(seen embedded)" = "accent kept" ] || fail "Java read café.txt as: $(seen embedded)"

case_name "a class-path entry is named by its short form"
class_path=$(recorded -Djava.class.path)
entry=$(printf '%s' "$class_path" | tr ';' '\n' | grep -i 'caf\|~' | grep -iv 'lib' | head -n 1)
case $entry in
  *й*|*'?'*|'') fail "the class path names café.jar as '$entry' ($class_path)" ;;
esac
[ "$(seen jar)" = "Cafe" ] || fail "the class in café.jar was $(seen jar)"

finish
