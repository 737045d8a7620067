#!/usr/bin/env bash
# Class-data sharing "auto" end to end through the OpenJDK bridge: the first start has the
# machine's OpenJDK 17 write the archive when the application ends, the second maps it (the
# class-loading log says classes came from the "top" archive), and neither a damaged nor a
# stale archive stops a start or changes a byte of the application's output.
source "$(dirname "$0")/lib.sh"

JAVA_BIN=/usr/lib/jvm/java-17-openjdk-amd64/bin
APP=$E2E_DIR/app
mkdir -p "$APP/lib" "$E2E_DIR/src/cds" "$E2E_DIR/classes"
cat > "$E2E_DIR/src/cds/Main.java" <<'EOF2'
package cds;

public final class Main {
    public static void main(String[] args) throws Exception {
        // A few hundred classes of the class library, and our own.
        java.util.concurrent.ConcurrentSkipListMap<String, Integer> map = new java.util.concurrent.ConcurrentSkipListMap<>();
        map.put("x", java.time.LocalDate.of(2020, 1, 1).getYear());
        System.out.println("cds: " + map + " " + new Helper());
        System.err.println("cds: standard error");
    }
}
EOF2
printf 'package cds;\nfinal class Helper { public String toString() { return "helper"; } }\n' > "$E2E_DIR/src/cds/Helper.java"
"$JAVA_BIN/javac" --release 8 -nowarn -d "$E2E_DIR/classes" "$E2E_DIR"/src/cds/*.java || { fail "javac failed"; finish; }
"$JAVA_BIN/jar" cf "$APP/lib/cds.jar" -C "$E2E_DIR/classes" cds
cp "$TESSEL_RUNTIME_JAR" "$APP/lib/"
runtime_double "$APP/jre" 'openjdk version "17.0.2" 2022-01-18'
printf 'JAVA_VERSION="17.0.2"\n' > "$APP/jre/release"
: > "$APP/jre/bin/server/classes.jsa"  # the runtime's base archive, which the launcher looks for
export TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$JAVA_BIN/java
# Where the Linux runtime says which archive each class came from (not the application's output).
LOADS=$E2E_DIR/class-load.txt
printf -- '-Xlog:class+load=info:file=%s\n' "$LOADS" > "$APP/cds.vmoptions"

write_project cds <<'EOF2'
[application]
executable_type = 2
[java]
main_class = "cds.Main"
class_path = "S0.\\lib;"
search_sequence = "B.\\jre"
class_data_sharing = "auto"
EOF2
build_app "$E2E_DIR/cds.toml" "$APP/cds.exe"

USERS=$TESSEL_BUILD_DIR/wineprefix/drive_c/users
LOCAL_DIR=$USERS/$(id -un)/AppData/Local
[ -d "$LOCAL_DIR" ] || LOCAL_DIR=$(ls -d "$USERS"/*/AppData/Local | grep -v /Public/ | head -n 1)
ARCHIVES=$LOCAL_DIR/tessel/cds/cds
rm -rf "$ARCHIVES"
EXPECTED_OUT="cds: {x=2020} helper"
EXPECTED_ERR="cds: standard error"
archive() { ls "$ARCHIVES"/17-*.jsa 2>/dev/null | head -n 1; }
expect_output_unchanged() {
  [ "$STDOUT" = "$EXPECTED_OUT" ] || { fail "standard output changed"; show_stream stdout "$STDOUT"; }
  [ "$STDERR" = "$EXPECTED_ERR" ] || { fail "standard error changed"; show_stream stderr "$STDERR"; }
}
top_loads() {
  local n
  n=$(grep -c 'source: shared objects file (top)' "$LOADS" 2>/dev/null)
  echo "${n:-0}"
}

case_name "the first start writes the archive when the application ends"
run_app "$APP/cds.exe"
expect_rc 0
expect_output_unchanged
expect_log_contains "(Java 17.0.2): written when the application ends"
expect_log_contains "class-data archive written: "
ARCHIVE=$(archive)
[ -n "$ARCHIVE" ] || fail "no archive in $ARCHIVES"
[ -n "$ARCHIVE" ] && [ "$(head -c 4 "$ARCHIVE" | od -An -tx4 | tr -d ' ')" = f00baba8 ] || fail "$ARCHIVE is no dynamic archive"
[ -z "$(ls "$ARCHIVES" | grep part)" ] || fail "a half-written archive was left"
[ -n "$ARCHIVE" ] && echo "    archive: $(stat -c %s "$ARCHIVE") bytes"

case_name "the second start maps it"
rm -f "$LOADS"
run_app "$APP/cds.exe"
expect_rc 0
expect_output_unchanged
expect_log_contains "(Java 17.0.2): mapped"
# The class library's classes come from the runtime's base archive; the application's from ours.
[ "$(top_loads)" -ge 2 ] || fail "only $(top_loads) classes came from the archive"
grep -q 'cds.Helper source: shared objects file (top)' "$LOADS" || fail "the application's own class did not come from the archive"

case_name "a damaged (cut off) archive is removed and written again, and prints nothing"
head -c 100000 "$ARCHIVE" > "$ARCHIVE.cut" && mv -f "$ARCHIVE.cut" "$ARCHIVE"
run_app "$APP/cds.exe"
expect_rc 0
expect_output_unchanged
expect_log_contains "is damaged; removed"
expect_log_contains "class-data archive written: "

case_name "garbage in the archive's place is removed too"
head -c 5000 /dev/urandom > "$ARCHIVE"
run_app "$APP/cds.exe"
expect_rc 0
expect_output_unchanged
expect_log_contains "is damaged; removed"

case_name "a changed class path makes a new archive; the runtime's warning about the old one is silenced"
OLD=$(archive)
touch -d '2001-01-01' "$APP/lib/cds.jar"
run_app "$APP/cds.exe"
expect_rc 0
expect_output_unchanged
expect_log_contains "written when the application ends"
[ "$(ls "$ARCHIVES"/17-*.jsa | wc -l)" = 2 ] || fail "the changed jar did not get an archive of its own"
# The old archive under the new name: the runtime refuses it as stale; nothing is printed.
NEW=$(ls -t "$ARCHIVES"/17-*.jsa | head -n 1)
cp -f "$OLD" "$NEW" && cp -f "$OLD.size" "$NEW.size"
rm -f "$LOADS"
run_app "$APP/cds.exe"
expect_rc 0
expect_output_unchanged
expect_log_contains "(Java 17.0.2): mapped"
[ "$(top_loads)" = 0 ] || fail "the stale archive was used"

case_name "Java 8 gets no archive options"
printf 'JAVA_VERSION="1.8.0_392"\n' > "$APP/jre/release"
printf -- '\n' > "$APP/cds.vmoptions"
run_app "$APP/cds.exe"
expect_rc 0
expect_log_contains "Java 1.8.0_392 writes no dynamic archive"

rm -rf "$ARCHIVES"
finish
