#!/usr/bin/env bash
# Faults from outside: a read-only temporary directory, a version-cache entry of the wrong
# types, a java.exe that never answers, a jvm.dll without JNI_CreateJavaVM and executables cut
# off by a failed copy. Nothing crashes, nothing is lost, and every failure says what happened.
# Prints the outcomes as a table (bench/bench_faults.sh shows it; with FAULTS_FULL=1 it also
# waits out the shipped template's one-minute limit for the version query).
. "$TESSEL_SOURCE_DIR/tests/e2e/lib.sh"

SEAMS_TEMPLATE=$DOUBLES/launcher_seams/launcher.exe
PREFIX_C=$TESSEL_BUILD_DIR/wineprefix/drive_c
[ -f "$SEAMS_TEMPLATE" ] || { fail "missing $SEAMS_TEMPLATE"; finish; }

# An application directory with its own runtime: java.exe double and the given jvm.dll.
make_app() {
  local dir=$1 jvm=$2 template=${3:-$TEMPLATE}
  runtime_double "$dir/jre" 'java version "1.8.0_60"' "$jvm"
  local out
  out=$("$TESSEL_TOOL" build "$E2E_DIR/app.toml" -o "$dir/app.exe" --template "$template" 2>&1) ||
    { fail "tessel build for $dir failed:"; echo "$out" >&2; finish; }
}
java_runs() { [ -f "$1/jre/bin/java.exe.count" ] && wc -c < "$1/jre/bin/java.exe.count" || echo 0; }

write_embedded_project app
make_app "$E2E_DIR/good" "$DOUBLES/jvm_dll/jvm.dll"
make_app "$E2E_DIR/seams" "$DOUBLES/jvm_dll/jvm.dll" "$SEAMS_TEMPLATE"
make_app "$E2E_DIR/noentry" "$DOUBLES/jvm_dll_minimal/no_entry/jvm.dll"

TABLE="| fault | exit code | seconds | what the user is told (first line) | held |
|---|---|---|---|---|"
# Runs the application and times it; ROW_OK collects the case's verdict.
timed_run() {
  local start end
  start=$(date +%s.%N)
  run_app "$@"
  end=$(date +%s.%N)
  ELAPSED=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')
  FAILURES_BEFORE=$E2E_FAILURES
}
row() {
  local told verdict=yes
  told=$(printf '%s\n' "$STDERR" | grep -v '^$' | head -n 1 | cut -c1-110)
  [ "$E2E_FAILURES" -gt "$FAILURES_BEFORE" ] && verdict=NO
  TABLE+=$'\n'"| $1 | $RC | $ELAPSED | ${told:--} | $verdict |"
}

case_name "a read-only temporary directory: the fallback directory takes the files"
rm -f "$PREFIX_C/cvn_nlog"
E2E_TMP_WIN='Z:\proc' TESSEL_JVM_CHECK_FILES='lib\data.bin;top.txt' \
  TESSEL_JVM_RECORD=$(windows_path "$E2E_DIR/fallback.txt") timed_run "$E2E_DIR/good/app.exe"
LAST_LOG=$PREFIX_C/cvn_nlog  # no log file can be made in Z:\proc either
expect_rc 0
expect_log_contains 'no temporary file in Z:\proc\, trying the fallback directories'
expect_log_contains 'Temp dir3: C:\windows\temp\tsl'
grep -q '^temp file lib\\data.bin present 100000$' "$E2E_DIR/fallback.txt" ||
  fail "the application did not find its files in the fallback directory"
row "TMP read-only (Z:\\proc): fallback C:\\windows\\temp"

case_name "a read-only temporary directory and no usable fallback: a clear message"
E2E_TMP_WIN='Z:\proc' TESSEL_TEST_NO_TEMP_FALLBACKS=1 timed_run "$E2E_DIR/seams/app.exe"
expect_rc 1
expect_stderr_contains 'The temporary directory Z:\proc\ and its fallback directories cannot be written'
row "TMP read-only, every fallback refused (test template)"

# The version-cache key of an application's java.exe, as `reg` names it.
cache_key() {
  wine_tool reg query 'HKCU\SOFTWARE\brightmoor\tessel\jvms' |
    grep -iF "$(printf '%s' "$E2E_DIR/$1/jre/bin/java.exe" | tr '[:upper:]' '[:lower:]')" | head -n 1
}
registry_type() {
  wine_tool reg query "$1" /v "$2" | grep -m1 -F "    $2    " | awk '{print $2}'
}
export E2E_TMP=$E2E_DIR/tmp
run_app "$E2E_DIR/good/app.exe"
expect_rc 0
key=$(cache_key good)
[ -n "$key" ] || fail "no version-cache entry after a successful start"
for variant in "LastWriteTime REG_SZ 1.8.0_60" "LastWriteTime REG_BINARY 00112233" \
               "Version REG_DWORD 7" "Version REG_BINARY 312e382e30"; do
  set -- $variant
  case_name "a version-cache entry with $1 as $2 ($3) is ignored and rewritten"
  registry_set "$key" "$1" "$2" "$3"
  runs=$(java_runs "$E2E_DIR/good")
  timed_run "$E2E_DIR/good/app.exe"
  expect_rc 0
  [ "$(java_runs "$E2E_DIR/good")" = $((runs + 1)) ] || fail "java.exe was not asked again"
  [ "$(registry_type "$key" LastWriteTime)" = REG_BINARY ] || fail "LastWriteTime not rewritten"
  [ "$(registry_type "$key" Version)" = REG_SZ ] || fail "Version not rewritten"
  expect_log_contains "got version from execution 1.8.0_60"
  row "version cache: $1 as $2 (ignored, rewritten)"
done

# The version query is given up and the java.exe ended; the bundled runtime is then taken
# without its version, as relative entries are in their second round.
case_name "a java.exe that never answers: the time limit holds"
make_app "$E2E_DIR/hang" "$DOUBLES/jvm_dll/jvm.dll" "$SEAMS_TEMPLATE"
printf 'hang=600\n' > "$E2E_DIR/hang/jre/bin/java.exe.cfg"
TESSEL_TEST_JAVA_VERSION_TIMEOUT_MS=3000 timed_run "$E2E_DIR/hang/app.exe"
expect_rc 0
expect_log_contains "Terminating process"
expect_log_contains "couldn't get version"
[ "${ELAPSED%.*}" -lt 60 ] || fail "took ${ELAPSED}s with a 3 s limit"
sleep 1
pgrep -f 'hang/jre/bin/java.exe|hang\\jre\\bin\\java.exe' > /dev/null && fail "the hanging java.exe still runs"
row "java.exe never answers (limit 3 s, test template)"
if [ "${FAULTS_FULL:-0}" = 1 ]; then
  case_name "a java.exe that never answers, shipped template: one minute"
  make_app "$E2E_DIR/hang60" "$DOUBLES/jvm_dll/jvm.dll"
  printf 'hang=600\n' > "$E2E_DIR/hang60/jre/bin/java.exe.cfg"
  E2E_TIMEOUT=200 timed_run "$E2E_DIR/hang60/app.exe"
  expect_rc 0
  expect_log_contains "Terminating process"
  row "java.exe never answers (shipped template, limit 60 s)"
fi

case_name "a jvm.dll without JNI_CreateJavaVM"
timed_run "$E2E_DIR/noentry/app.exe"
expect_rc 83
expect_log_contains "Could not load functions"
expect_stderr_contains "is damaged"
expect_stderr_contains "The JVM could not be started"
row "jvm.dll without JNI_CreateJavaVM"

# Copies cut off after N bytes.
# The block follows the template and the resource section the build adds.
block_start=$("$TESSEL_TOOL" inspect --json "$E2E_DIR/good/app.exe" |
  python3 -c 'import json, sys; print(json.load(sys.stdin)["block"]["offset"])')
size=$(stat -c %s "$E2E_DIR/good/app.exe")
trailer=$(python3 -c 'import sys; print(open(sys.argv[1], "rb").read().rfind(bytes([0xE8, 0xE4, 0x13, 0xD5])))' \
  "$E2E_DIR/good/app.exe")
for cut in "inside the configuration block:$((block_start + 40))" \
           "inside an embedded file:$((size - 50000))" \
           "before the trailer:$trailer"; do
  what=${cut%%:*}
  bytes=${cut##*:}
  case_name "an executable cut off $what ($bytes of $size bytes)"
  head -c "$bytes" "$E2E_DIR/good/app.exe" > "$E2E_DIR/good/cut.exe"
  TESSEL_JVM_CHECK_FILES='lib\data.bin;top.txt' \
    TESSEL_JVM_RECORD=$(windows_path "$E2E_DIR/cut.txt") timed_run "$E2E_DIR/good/cut.exe" \
    -q_cvn_internal
  if [ "$what" = "before the trailer" ]; then
    # Everything the application needs is there: it runs.
    expect_rc 0
  else
    expect_rc 1
    expect_stderr_contains "cut.exe is incomplete: it ends after $bytes bytes"
  fi
  partial=$(find "$E2E_TMP" -path '*_dir*/lib/data.bin' -size -100000c)
  [ -z "$partial" ] || fail "a partial file was left: $partial"
  row "executable cut off $what"
done

printf '%s\n' "$TABLE" | tee "$E2E_DIR/table.md"
finish
