# Shared helpers of the end-to-end tests; each tests/e2e/test_*.sh sources this file.
# Environment (set by ctest): TESSEL_TOOL, TESSEL_DIST, TESSEL_BUILD_DIR, TESSEL_SOURCE_DIR.
#
#   write_project NAME           project file NAME.toml in the scratch dir from standard input
#   build_app PROJECT EXE        tessel build; the test fails when the build fails
#   run_app EXE [ARG...]         runs EXE under Wine; sets RC, STDOUT, STDERR and LAST_LOG
#   expect_rc N                  expect_stderr_contains TEXT   expect_stderr_first_line TEXT
#   expect_stdout_contains TEXT  expect_log_contains TEXT      expect_log_lacks TEXT
#   wine_tool PROG [ARG...]      a program of the prefix (reg, cmd); its output on ours
#   registry_value KEY NAME      prints a value's data as `reg query` shows it (REG_DWORD as
#                                0x2a); status 1 when absent
#   registry_set KEY NAME TYPE DATA   registry_delete KEY
#   expect_registry_value KEY NAME DATA   expect_registry_absent KEY NAME
#   runtime_double HOME [BANNER [JVM]]   a runtime of test doubles in HOME: bin\java.exe that
#                                answers BANNER (default java version "1.8.0_60"), bin\server\
#                                jvm.dll (default the recording double); DOUBLES names their folder
#   expect_build_refused PROJECT EXE TEXT [ARG...]   the build fails naming TEXT, writes no EXE
#   write_embedded_project NAME  NAME.toml: runtime in .\jre, two embedded files
#   E2E_UNIQUE                   a name unique to this test process, for registry keys and
#                                kernel objects
#   finish                       ends the test: exit 1 when any expectation failed
#   E2E_TMP                      when set, a Unix directory that launches get as TMP and TEMP
#                                (their own temporary directory and log directory)
#   E2E_TMP_WIN                  the same as a Windows path, taken as it is
#   E2E_ENV                      when set, NAME=VALUE words that launches get in their
#                                environment block (through env_run, like E2E_TMP)
#   E2E_CWD                      when set, the Unix directory launches start in
# A script that writes what every launcher of the prefix sees (the machine's runtime registry
# keys) carries a line "# ctest-resource-lock: NAME"; scripts naming the same lock never run
# at the same time ("machine-runtime-registry" for scripts that read or write runtime keys).
# Launches get TESSEL_LOG=yes unless the caller sets TESSEL_LOG itself. Put -q_cvn_internal
# first among the arguments (or set executable_type = 2) so error texts go to standard error.
set -u

: "${TESSEL_TOOL:?}" "${TESSEL_DIST:?}" "${TESSEL_BUILD_DIR:?}" "${TESSEL_SOURCE_DIR:?}"
E2E_NAME=$(basename "${BASH_SOURCE[1]}" .sh)
E2E_DIR=$TESSEL_BUILD_DIR/e2e/$E2E_NAME
E2E_TIMEOUT=${E2E_TIMEOUT:-60}
E2E_FAILURES=0
E2E_UNIQUE=tessel-e2e-$E2E_NAME-$$
TEMPLATE=$TESSEL_DIST/launcher.exe
rm -rf "$E2E_DIR"
mkdir -p "$E2E_DIR"
RC=""; STDOUT=""; STDERR=""; LAST_LOG=""; CASE=""

DOUBLES=$TESSEL_BUILD_DIR/tests/doubles
runtime_double() {
  local home=$1 banner=${2:-'java version "1.8.0_60"'} jvm=${3:-$DOUBLES/jvm_dll/jvm.dll}
  mkdir -p "$home/bin/server"
  cp "$DOUBLES/java_exe/java.exe" "$home/bin/java.exe"
  printf 'line=%s\n' "$banner" > "$home/bin/java.exe.cfg"
  cp "$jvm" "$home/bin/server/jvm.dll"
}

# Project NAME.toml: errors on standard error, the runtime in .\jre and two embedded files
# (100 kB of random bytes as lib\data.bin, and top.txt).
write_embedded_project() {
  head -c 100000 /dev/urandom > "$E2E_DIR/data.bin"
  printf 'top' > "$E2E_DIR/top.txt"
  write_project "$1" <<'TOML'
[application]
executable_type = 2
[java]
main_class = "demo.Main"
search_sequence = "B.\\jre;"
[[embed]]
source = "data.bin"
name = "lib\\data.bin"
[[embed]]
source = "top.txt"
TOML
}

# The build of PROJECT into EXE (further ARGs go to tessel build) fails, its error names TEXT,
# and no EXE is written.
expect_build_refused() {
  local project=$1 exe=$2 text=$3 out
  shift 3
  if out=$("$TESSEL_TOOL" build "$project" -o "$exe" "$@" 2>&1); then
    fail "$(basename "$project"): the build succeeded"
  fi
  printf '%s' "$out" | grep -qF -- "$text" || fail "$(basename "$project"): the error lacks '$text': $out"
  [ -e "$exe" ] && fail "$(basename "$exe") was written"
  return 0
}

# Names the case that following expectations belong to (shown with failures).
case_name() { CASE=$1; echo "--- $1"; }

fail() {
  E2E_FAILURES=$((E2E_FAILURES + 1))
  echo "FAIL${CASE:+ [$CASE]}: $*" >&2
}

write_project() { cat > "$E2E_DIR/$1.toml"; }

build_app() {
  local out
  if ! out=$("$TESSEL_TOOL" build "$1" -o "$2" 2>&1); then
    fail "tessel build $1 failed:"
    echo "$out" >&2
    finish
  fi
}

# The prefix's temporary directory, where the launcher writes its logs. Wine names the user
# directory after the Unix user, which need not be root.
wine_temp_dir() {
  local users=$TESSEL_BUILD_DIR/wineprefix/drive_c/users d
  d="$users/$(id -un)/Temp"
  [ -d "$d" ] && { echo "$d"; return; }
  for d in "$users"/*/Temp; do
    [ "$d" != "$users/Public/Temp" ] && [ -d "$d" ] && { echo "$d"; return; }
  done
}

# Windows form of a Unix path as Wine sees it through drive Z:.
windows_path() { echo "Z:$1" | tr / '\\'; }

# The log written by the last run: the newest log since the run began whose header names
# the executable (other tests may launch at the same time). Logs that existed before the run
# (listed in the marker) are not its own, even when written to since: a running first instance
# of the same executable appends to its log while a later start runs.
find_run_log() {
  local exe_win=$1 marker=$2 dir f
  dir=${E2E_TMP:-$(wine_temp_dir)} || true
  [ -n "$dir" ] || return 0
  for f in $(ls -t "$dir" 2>/dev/null); do
    grep -qxF -- "$f" "$marker" 2>/dev/null && continue
    f=$dir/$f
    [ -f "$f" ] && [ "$f" -nt "$marker" ] || continue
    if head -n 1 "$f" | tr -d '\r' | grep -qiF "$exe_win"; then echo "$f"; return; fi
  done
}

# The command that starts a Windows program: through env_run with TMP and TEMP when E2E_TMP
# is set (Wine takes them from the prefix's registry, not from our environment).
launch_command() {
  if [ -n "${E2E_TMP_WIN:-}" ] || [ -n "${E2E_TMP:-}" ] || [ -n "${E2E_ENV:-}" ]; then
    local tmp_win=${E2E_TMP_WIN:-} vars=()
    if [ -z "$tmp_win" ] && [ -n "${E2E_TMP:-}" ]; then
      mkdir -p "$E2E_TMP"
      tmp_win=$(windows_path "$E2E_TMP")
    fi
    [ -n "$tmp_win" ] && vars=("TMP=$tmp_win" "TEMP=$tmp_win")
    # shellcheck disable=SC2206
    [ -n "${E2E_ENV:-}" ] && vars+=(${E2E_ENV})
    printf '%s\n' "$TESSEL_BUILD_DIR/tests/doubles/env_run/env_run.exe" "${vars[@]}" \
      -- "$(windows_path "$1")"
  else
    printf '%s\n' "$1"
  fi
}

run_app() {
  local exe=$1; shift
  local marker=$E2E_DIR/.run-marker launch
  mapfile -t launch < <(launch_command "$exe")
  local logs=${E2E_TMP:-$(wine_temp_dir)}
  if [ -n "$logs" ]; then ls "$logs" > "$marker" 2>/dev/null || : > "$marker"; else : > "$marker"; fi
  sleep 0.01
  (
    cd "${E2E_CWD:-$TESSEL_BUILD_DIR}" &&
      TESSEL_LOG=${TESSEL_LOG-yes} TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
        "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "${launch[@]}" "$@" \
        < /dev/null > "$E2E_DIR/last.stdout" 2> "$E2E_DIR/last.stderr"
  )
  RC=$?
  STDOUT=$(tr -d '\r' < "$E2E_DIR/last.stdout")
  STDERR=$(tr -d '\r' < "$E2E_DIR/last.stderr")
  LAST_LOG=$(find_run_log "$(windows_path "$exe")" "$marker")
  [ "$RC" = 124 ] || [ "$RC" = 137 ] && fail "timed out after ${E2E_TIMEOUT}s: $exe $*"
  return 0
}

show_stream() { printf '%s\n' "$2" | sed "s/^/    $1| /" >&2; }

expect_rc() {
  [ "$RC" = "$1" ] && return
  fail "exit code: expected $1, got $RC"
  show_stream stderr "$STDERR"
}

expect_rc_not() {
  [ "$RC" != "$1" ] && return
  fail "exit code: expected anything but $1"
  show_stream stderr "$STDERR"
}

expect_stderr_contains() {
  printf '%s' "$STDERR" | grep -qF -- "$1" && return
  fail "standard error lacks: $1"
  show_stream stderr "$STDERR"
}

expect_stderr_lacks() {
  printf '%s' "$STDERR" | grep -qF -- "$1" || return
  fail "standard error should not contain: $1"
  show_stream stderr "$STDERR"
}

expect_stderr_first_line() {
  local first
  first=$(printf '%s\n' "$STDERR" | head -n 1)
  [ "$first" = "$1" ] && return
  fail "first line of standard error: expected '$1', got '$first'"
  show_stream stderr "$STDERR"
}

expect_stdout_contains() {
  printf '%s' "$STDOUT" | grep -qF -- "$1" && return
  fail "standard output lacks: $1"
  show_stream stdout "$STDOUT"
}

log_text() { [ -n "$LAST_LOG" ] && tr -d '\r' < "$LAST_LOG"; }

expect_log_contains() {
  if [ -z "$LAST_LOG" ]; then
    fail "no log file of this run in $(wine_temp_dir) (expected a line '$1')"
    return
  fi
  log_text | grep -qxF -- "$1" && return
  log_text | grep -qF -- "$1" && return
  fail "log $LAST_LOG lacks: $1"
  log_text | sed 's/^/    log| /' >&2
}

expect_log_lacks() {
  [ -z "$LAST_LOG" ] && return
  log_text | grep -qF -- "$1" || return
  fail "log $LAST_LOG should not contain: $1"
}

finish() {
  if [ "$E2E_FAILURES" -gt 0 ]; then
    echo "$E2E_NAME: $E2E_FAILURES failed expectation(s); files in $E2E_DIR" >&2
    exit 1
  fi
  echo "$E2E_NAME: passed"
  exit 0
}

# --- The prefix's registry ----------------------------------------------------------------

wine_tool() {
  local out=$E2E_DIR/.wine-tool.out status
  (cd "$TESSEL_BUILD_DIR" && TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
    "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$@" < /dev/null > "$out" 2>/dev/null)
  status=$?
  tr -d '\r' < "$out"
  return $status
}

registry_value() {
  local line
  line=$(wine_tool reg query "$1" /v "$2" | grep -m1 -F "    $2    REG_") || return 1
  line=${line#"    $2    REG_"}
  line=${line#*"    "}
  [ "${line#REG_}" = "$line" ] || line=""  # no data: only the type was left
  printf '%s\n' "$line"
}

registry_set() { wine_tool reg add "$1" /v "$2" /t "$3" /d "$4" /f > /dev/null; }
registry_delete() { wine_tool reg delete "$1" /f > /dev/null 2>&1 || true; }

expect_registry_value() {
  local value
  if ! value=$(registry_value "$1" "$2"); then
    fail "registry: $1 has no value '$2' (expected '$3')"
  elif [ "$value" != "$3" ]; then
    fail "registry: $1 '$2' is '$value', expected '$3'"
  fi
}

expect_registry_absent() {
  local value
  value=$(registry_value "$1" "$2") && fail "registry: $1 '$2' should be absent, is '$value'"
  return 0
}

# --- Writing blocks by hand, for damaged executables --------------------------------------

# Bytes of a 32-bit or 64-bit little-endian integer (negative values in two's complement).
le32() { local v=$(( $1 & 0xFFFFFFFF )); printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' \
  $((v & 255)) $(((v >> 8) & 255)) $(((v >> 16) & 255)) $(((v >> 24) & 255)))"; }
le16() { local v=$(( $1 & 0xFFFF )); printf "$(printf '\\x%02x\\x%02x' $((v & 255)) $((v >> 8)))"; }
le64() { le32 $(( $1 & 0xFFFFFFFF )); le32 $(( ($1 >> 32) & 0xFFFFFFFF )); }
# A narrow string record body: length, then the bytes.
narrow_string() { le32 ${#1}; printf '%s' "$1"; }
# A wide string of ASCII text: byte length, then UTF-16LE.
wide_string() {
  local i
  le32 $(( ${#1} * 2 ))
  for ((i = 0; i < ${#1}; i++)); do printf '%s\0' "${1:i:1}"; done
}
block_header() { le32 0xE8E413D5; le32 0; le32 0; le64 "${1:-0}"; }

# An executable made of the template and the bytes on standard input.
exe_from_stdin() {
  local exe=$1
  cat "$TEMPLATE" - > "$exe"
}

# Overwrites bytes of FILE at OFFSET with standard input.
patch_file() { dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }

# A 32-bit little-endian value read from FILE at OFFSET.
read_le32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
read_le16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }
