#!/usr/bin/env bash
# Per-launch directories of ended launches are removed at the next start, and no running
# launch loses a file: sequential starts leave only the last one's directory behind, and 20
# launches running side by side all keep their embedded files while each start cleans up.
# The launches get a temporary directory of their own. bench/bench_soak.sh runs the same with
# 1000 starts.
. "$TESSEL_SOURCE_DIR/tests/e2e/lib.sh"

APP=$E2E_DIR/app
runtime_double "$APP/jre"
write_embedded_project app
build_app "$E2E_DIR/app.toml" "$APP/app.exe"
export E2E_TMP=$E2E_DIR/tmp
export TESSEL_JVM_CHECK_FILES='lib\data.bin;top.txt'
SEQUENTIAL=${LAUNCH_CLEANUP_STARTS:-25}
PARALLEL=20

launch_dirs() { find "$E2E_TMP" -maxdepth 1 -type d -name 'tsl*_dir*' | wc -l; }
companions() { find "$E2E_TMP" -maxdepth 1 -type f -name 'tsl*' | wc -l; }

entries() { find "$E2E_TMP" -mindepth 1 -maxdepth 1 ! -name 'cvn_nlog_*' | wc -l; }
bytes() { du -sb --exclude='cvn_nlog_*' "$E2E_TMP" | cut -f1; }
logs() { find "$E2E_TMP" -maxdepth 1 -name 'cvn_nlog_*' | wc -l; }
registry_values() {
  wine_tool reg query 'HKCU\SOFTWARE\brightmoor\tessel' /s 2>/dev/null | grep -c '    REG_'
}
handles_at() { sed -n 's/^handles at main //p' "$E2E_DIR/sequential.txt" | sed -n "$1p"; }

case_name "$SEQUENTIAL sequential starts leave the last one's directory only"
mkdir -p "$E2E_TMP"
rm -f "$E2E_DIR/sequential.txt"
entries_before=$(entries) bytes_before=$(bytes) registry_before=$(registry_values)
started=$(date +%s)
for i in $(seq "$SEQUENTIAL"); do
  # With a log each (their numbered names are claimed one after the other) and errors on
  # standard error also before the configuration is read.
  TESSEL_LOG=yes TESSEL_JVM_RECORD=$(windows_path "$E2E_DIR/sequential.txt") \
    run_app "$APP/app.exe" -q_cvn_internal
  if [ "$RC" != 0 ]; then
    fail "start $i ended with $RC"
    show_stream stderr "$STDERR"
    log_text | sed 's/^/    log| /' >&2
    break
  fi
  dirs=$(launch_dirs)
  [ "$dirs" -le 1 ] || { fail "after start $i: $dirs per-launch directories"; break; }
done
[ "$(launch_dirs)" = 1 ] || fail "expected the last start's directory, found $(launch_dirs)"
[ "$(companions)" = 1 ] || fail "expected one companion file, found $(companions)"
present=$(grep -c '^temp file lib\\data.bin present 100000$' "$E2E_DIR/sequential.txt")
[ "$present" = "$SEQUENTIAL" ] || fail "data.bin present in $present of $SEQUENTIAL starts"
seconds=$(( $(date +%s) - started ))
handles=$(sed -n 's/^handles at main //p' "$E2E_DIR/sequential.txt" | sort -n)
cat <<TABLE
| $SEQUENTIAL sequential starts | before | after |
|---|---|---|
| entries in the temporary directory (without logs) | $entries_before | $(entries) |
| bytes in the temporary directory (without logs) | $bytes_before | $(bytes) |
| log files (one per start, kept) / highest number | 0 | $(logs) / $(ls "$E2E_TMP" | sed -n 's/^cvn_nlog_//p' | sort -n | tail -n 1) |
| per-launch directories / companion files | 0 / 0 | $(launch_dirs) / $(companions) |
| registry values under HKCU\SOFTWARE\brightmoor\tessel | $registry_before | $(registry_values) |
| handles of the launch at main (first start / last start) | $(handles_at 1) | $(handles_at "$SEQUENTIAL") |
| handles at main, lowest / highest of all starts | $(echo "$handles" | head -n 1) | $(echo "$handles" | tail -n 1) |
| data.bin present in main | - | $present of $SEQUENTIAL |
| seconds for all starts | - | $seconds |
TABLE

case_name "$PARALLEL launches side by side keep their files"
go=$E2E_DIR/go
rm -f "$go" "$E2E_DIR"/parallel-*.txt
pids=()
for i in $(seq "$PARALLEL"); do
  mapfile -t launch < <(launch_command "$APP/app.exe")
  (
    cd "$TESSEL_BUILD_DIR" &&
      TESSEL_LOG=no TESSEL_JVM_MAIN_WAIT_FILE=$(windows_path "$go") \
      TESSEL_JVM_RECORD=$(windows_path "$E2E_DIR/parallel-$i.txt") \
      TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=240 \
        "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "${launch[@]}" \
        < /dev/null > "$E2E_DIR/parallel-$i.out" 2>&1
    echo $? > "$E2E_DIR/parallel-$i.rc"
  ) &
  pids+=($!)
  sleep 0.2
done
# Every application is in main (its files extracted, every start's clean-up done) ...
for _ in $(seq 1200); do
  running=$(grep -l '^main called' "$E2E_DIR"/parallel-*.txt 2>/dev/null | wc -l)
  [ "$running" = "$PARALLEL" ] && break
  sleep 0.1
done
[ "$running" = "$PARALLEL" ] || fail "only $running of $PARALLEL launches reached main"
dirs_running=$(launch_dirs)
[ "$dirs_running" -ge "$PARALLEL" ] || fail "$dirs_running directories while $PARALLEL run"
# ... then a later start cleans up while they run, and they all look at their files.
TESSEL_LOG=no run_app "$APP/app.exe"
touch "$go"
wait "${pids[@]}"
for i in $(seq "$PARALLEL"); do
  [ "$(cat "$E2E_DIR/parallel-$i.rc")" = 0 ] || fail "launch $i ended with $(cat "$E2E_DIR/parallel-$i.rc")"
  grep -q '^temp file lib\\data.bin present 100000$' "$E2E_DIR/parallel-$i.txt" &&
    grep -q '^temp file top.txt present 3$' "$E2E_DIR/parallel-$i.txt" ||
    { fail "launch $i lost a file:"; sed 's/^/    /' "$E2E_DIR/parallel-$i.txt" >&2; }
done
dirs_ended=$(launch_dirs)
kept=$(grep -l '^temp file lib\\data.bin present 100000$' "$E2E_DIR"/parallel-*.txt |
  xargs grep -l '^temp file top.txt present 3$' | wc -l)
ok=$(grep -lx 0 "$E2E_DIR"/parallel-*.rc | wc -l)
TESSEL_LOG=no run_app "$APP/app.exe"
cat <<TABLE
| $PARALLEL launches side by side | |
|---|---|
| reached main | $running |
| per-launch directories while all ran (after one more start) | $dirs_running |
| launches that found both files at the end of main | $kept |
| launches that ended with exit code 0 | $ok |
| per-launch directories after all ended / after one more start | $dirs_ended / $(launch_dirs) |
TABLE
[ "$(launch_dirs)" = 1 ] || fail "after the parallel launches ended: $(launch_dirs) directories"
[ "$(companions)" = 1 ] || fail "after the parallel launches ended: $(companions) companions"

finish
