# The installation-path and code-page matrix, one Windows code page per test script (sourced
# after lib.sh with CODE_PAGE set; LC_ALL picks the code page, each in its own prefix and Wine
# server). Every cell installs the probe application (code_pages/probe) in one directory and
# starts it twice through the runtime doubles, main running in the machine's Java:
#   first start   keys 123 and 124 with ${TESSEL_EXEDIR} and ${TESSEL_TEMPDIR}, a .vmoptions
#                 file in the code page with a variable and non-ASCII text, class-path S and A
#                 entries, working_directory ".", an embedded file, a non-ASCII argument, the
#                 log file; the profile's temporary directory lies in the cell's directory too
#   second start  single instance: non-ASCII arguments handed over to the first
# and compares what arrived (the Java side's report, the JNI record, the log) with what was
# meant, character for character. Each cell ends with one row of the matrix on standard output.
#
# Narrow paths hold only what the code page holds: where it cannot hold the directory's name,
# the launcher names it by its short (8.3) form, which Wine always makes. The Java side sees
# every path as the Linux path the bridge maps it to, so both forms must lead to the directory.

: "${CODE_PAGE:?}"
case $CODE_PAGE in
  1252) export LC_ALL=en_US.UTF-8 ICONV_CP=CP1252 SAMPLE="Café €uro" ;;
  1251) export LC_ALL=ru_RU.UTF-8 ICONV_CP=CP1251 SAMPLE="Демо ёлка" ;;
  932) export LC_ALL=ja_JP.UTF-8 ICONV_CP=CP932 SAMPLE="デモ 日本語" ;;
esac
if ! locale -a 2>/dev/null | grep -qix "$(echo "$LC_ALL" | sed 's/UTF-8/utf8/')"; then
  echo "locale $LC_ALL is missing: run scripts/install-deps.sh" >&2
  exit 1
fi
export TESSEL_WINE_PREFIX=wineprefix-cp$CODE_PAGE
PREFIX=$TESSEL_BUILD_DIR/$TESSEL_WINE_PREFIX
DOUBLES=$TESSEL_BUILD_DIR/tests/doubles
JAVA=$(readlink -f "$(command -v java)")
ARGUMENT="Ünï Демо デモ ✓"
NOTE="Grüße Привет 日本 ✓"
PROBE_SOURCES=$TESSEL_SOURCE_DIR/tests/e2e/code_pages
unset TESSEL_JAVA_HOME CORVANE_JAVA_HOME TESSEL_JVM_THROWS TESSEL_JVM_MAIN_SLEEP_MS

# The directories a user installs into; the last one no ANSI code page holds.
DIRECTORIES=("plain" "Program Files/O'Brien App" "Программы/Демо" "アプリ/デモ" "Ünïcødé Äpp ✓")
LABELS=("ASCII" "blanks + apostrophe" "Cyrillic" "Japanese" "beyond the code page")

# --- building blocks --------------------------------------------------------------------------

compile_probe() {
  local out=$E2E_DIR/probe-build
  mkdir -p "$out/classes" "$out/extra"
  javac --release 8 -encoding UTF-8 -d "$out/classes" "$PROBE_SOURCES/probe/Probe.java" &&
    javac --release 8 -encoding UTF-8 -d "$out/extra" "$PROBE_SOURCES/extra/Extra.java" &&
    jar cf "$E2E_DIR/probe.jar" -C "$out/classes" . &&
    jar cf "$E2E_DIR/extra.jar" -C "$out/extra" . || { fail "the probe does not compile"; finish; }
}

# probe_project NAME [IDENTITY-TOML]
probe_project() {
  printf '%s\n' "$NOTE" > "$E2E_DIR/note.txt"
  write_project "$1" <<TOML
[application]
name = "Probe"
executable_type = 2
flavour = "t"
working_directory = "."
[java]
main_class = "probe.Probe"
class_path = "S0.\\\\lib;A1\${TESSEL_EXEDIR}extra\\\\extra.jar;"
search_sequence = "B.\\\\jre;"
vm_parameters = "-Dprobe.home=\${TESSEL_EXEDIR} -Dprobe.temp=\${TESSEL_TEMPDIR}"
arguments = "--home=\${TESSEL_EXEDIR} --temp=\${TESSEL_TEMPDIR}"
[instance]
single_instance = true
[[embed]]
source = "note.txt"
${2:-}
TOML
  build_app "$E2E_DIR/$1.toml" "$E2E_DIR/$1.exe"
}

# install DIR EXE SAMPLE ENCODING: the application, its runtime doubles and its .vmoptions file.
install() {
  local dir=$1
  mkdir -p "$dir/jre/bin/server" "$dir/lib" "$dir/extra" "$dir/profile/Temp"
  cp "$2" "$dir/app.exe"
  cp "$DOUBLES/java_exe/java.exe" "$dir/jre/bin/"
  printf 'line=openjdk version "17.0.2" 2022-01-18\n' > "$dir/jre/bin/java.exe.cfg"
  cp "$DOUBLES/jvm_dll/jvm.dll" "$dir/jre/bin/server/"
  cp "$E2E_DIR/probe.jar" "$TESSEL_DIST/tessel-runtime.jar" "$dir/lib/"
  cp "$E2E_DIR/extra.jar" "$dir/extra/"
  printf 'relative to the working directory\n' > "$dir/lib/marker.txt"
  printf -- '-Dprobe.vmo=%s\r\n-Dprobe.vmodir=${TESSEL_EXEDIR}lib\r\n' "$3" |
    iconv -f UTF-8 -t "$4" > "$dir/app.vmoptions"
  rm -f "$dir/stop"
}

holds() { printf '%s' "$1" | iconv -f UTF-8 -t "$ICONV_CP" > /dev/null 2>&1; }

prefix_tool() {
  (cd "$TESSEL_BUILD_DIR" && TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
    "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$@" < /dev/null > /dev/null 2>&1)
}

# The profile's temporary directory (TEMP and TMP of the prefix's user).
set_profile_temp() {
  prefix_tool reg add 'HKCU\Environment' /v TEMP /t REG_SZ /d "$1" /f
  prefix_tool reg add 'HKCU\Environment' /v TMP /t REG_SZ /d "$1" /f
}

launch() {  # launch DIR OUT ARG...: one start with the bridge to the machine's Java
  local dir=$1 out=$2
  shift 2
  (cd "$dir" && TESSEL_LOG=yes TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR WINE_TIMEOUT=$E2E_TIMEOUT \
    TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$JAVA TESSEL_JVM_RECORD=$(windows_path "$out.record") \
    "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" "$dir/app.exe" "$@" < /dev/null > "$out.stdout" 2> "$out.stderr")
}

wait_for() {  # wait_for FILE TEXT SECONDS
  local i
  for ((i = 0; i < $3 * 10; i++)); do
    [ -f "$1" ] && grep -qF -- "$2" "$1" && return 0
    sleep 0.1
  done
  return 1
}

probe_value() { tr -d '\r' < "$1.stdout" | sed -n "s/^probe: $2=//p" | head -n 1; }
recorded_option() { tr -d '\r' < "$1.record" | sed -n "s/^option [0-9]*: $2=//p" | head -n 1; }

CELL_FAILS=()
check() {  # check WHAT EXPECTED ACTUAL
  [ "$2" = "$3" ] && return 0
  CELL_FAILS+=("$1")
  fail "$1: expected '$2', got '$3'"
}
check_true() {  # check_true WHAT CONDITION-STATUS
  [ "$2" = 0 ] && return 0
  CELL_FAILS+=("$1")
  fail "$1"
}

newest_log() {
  local f
  f=$(find "$@" -maxdepth 1 -name 'cvn*' -newer "$E2E_DIR/.cell-marker" -print0 2>/dev/null |
      xargs -0 -r ls -t 2>/dev/null | head -n 1)
  printf '%s' "$f"
}

# run_cell LABEL DIR EXE SAMPLE ENCODING [UTF8]: one cell; prints its row.
run_cell() {
  local label=$1 dir=$E2E_DIR/cells/$2 exe=$3 sample=$4 encoding=$5 utf8=${6:-}
  local out=$E2E_DIR/cells/out-$(echo "$2" | cksum | cut -d' ' -f1)
  CASE="$label, code page $CODE_PAGE${utf8:+, UTF-8 manifest}"
  echo "--- $CASE"
  CELL_FAILS=()
  install "$dir" "$exe" "$sample" "$encoding"
  rm -f "$out".*
  local dir_win exe_win temp_win
  dir_win=$(windows_path "$dir")
  exe_win=$dir_win\\app.exe
  temp_win=$dir_win\\profile\\Temp
  set_profile_temp "$temp_win"
  touch "$E2E_DIR/.cell-marker"
  sleep 0.01

  launch "$dir" "$out.first" "$ARGUMENT" &
  local first=$!
  if ! wait_for "$out.first.stdout" "probe: ready" "$E2E_TIMEOUT"; then
    CELL_FAILS+=("no start")
    fail "the first start did not report: $(tr -d '\r' < "$out.first.stderr" 2>/dev/null | head -n 5)"
  else
    launch "$dir" "$out.second" "zweite Ünï" "Демо デモ"
    check "hand-over exit code" 0 "$?"
    wait_for "$out.first.record" "Controller.startupPerformed" 20
    tr -d '\r' < "$out.first.record" | grep -F 'Controller.startupPerformed' |
      grep -qF '"zweite Ünï" "Демо デモ"'
    check_true "single-instance hand-over" $?
  fi
  touch "$dir/stop"
  local i
  for ((i = 0; i < E2E_TIMEOUT * 10; i++)); do kill -0 "$first" 2> /dev/null || break; sleep 0.1; done
  wait "$first"
  local rc=$?
  check "first start exit code" 0 "$rc"

  local f=$out.first home_option temp_option
  # Key 123: one option each, in the narrow form (long when the code page holds it).
  home_option=$(recorded_option "$f" -Dprobe.home)
  temp_option=$(recorded_option "$f" -Dprobe.temp)
  if [ -n "$utf8" ] || holds "$dir_win"; then
    check "key 123 \${TESSEL_EXEDIR}" "$dir_win\\" "$home_option"
  else
    case $home_option in *'?'*|'') check "key 123 \${TESSEL_EXEDIR} (short form)" "no '?'" "$home_option" ;; esac
  fi
  check "key 123 seen by Java" "$dir/" "$(probe_value "$f" probe.home)"
  # Key 124: wide, the long form whatever the code page.
  check "key 124 \${TESSEL_EXEDIR}" "--home=$dir_win\\" "$(probe_value "$f" arg0)"
  # The per-launch directory: in the profile's own directory, by its long form in wide text;
  # the runtime gets its narrow name (the long form where the code page holds it).
  local temp_arg launch_dir
  temp_arg=$(probe_value "$f" arg1)
  launch_dir=${temp_arg#--temp=}
  case $launch_dir in
    "$temp_win\\tsl"*_dir*) ;;
    *) check "key 124 \${TESSEL_TEMPDIR} (long form in the profile)" "$temp_win\\tsl..._dir..." "$launch_dir" ;;
  esac
  if [ -n "$utf8" ] || holds "$temp_win"; then
    check "key 123 \${TESSEL_TEMPDIR}" "$launch_dir" "$temp_option"
  else
    case $temp_option in *'?'*|'') check "key 123 \${TESSEL_TEMPDIR} (short form)" "no '?'" "$temp_option" ;; esac
  fi
  echo "TEMPDIR | $label | $CODE_PAGE${utf8:+ + UTF-8 manifest} | key 124: $launch_dir | key 123: $temp_option"
  check "typed argument" "$ARGUMENT" "$(probe_value "$f" arg2)"
  check "embedded file through \${TESSEL_TEMPDIR}" "$NOTE" "$(probe_value "$f" embedded)"
  check ".vmoptions text" "$sample" "$(probe_value "$f" probe.vmo)"
  check ".vmoptions \${TESSEL_EXEDIR}" "$dir/lib" "$(probe_value "$f" probe.vmodir)"
  check "class path S and A entries" "hello from extra.jar" "$(probe_value "$f" extra)"
  check "working_directory \".\"" "$dir" "$(probe_value "$f" user.dir)"
  check "relative file in the working directory" "relative to the working directory" \
    "$(probe_value "$f" relative)"
  if [ -n "$utf8" ]; then
    check "UTF-8 active code page" "code page 65001" "$(tr -d '\r' < "$f.record" | grep -m1 '^code page')"
  else
    check "active code page" "code page $CODE_PAGE" "$(tr -d '\r' < "$f.record" | grep -m1 '^code page')"
  fi

  local log
  log=$(newest_log "$dir/profile/Temp" "$PREFIX/drive_c/windows/temp" "$PREFIX/drive_c")
  if [ -z "$log" ]; then
    CELL_FAILS+=("no log")
    fail "no log file of this cell"
  else
    local text
    text=$(tr -d '\r' < "$log")
    printf '%s\n' "$text" | head -n 1 | grep -qF "Started executable $exe_win at"
    check_true "log header names the executable" $?
    printf '%s\n' "$text" | grep -qxF -- "vmoption 0: -Dprobe.vmo=$sample" ||
      printf '%s\n' "$text" | grep -qF -- "-Dprobe.vmo=$sample"
    check_true "log shows the .vmoptions text" $?
    printf '%s\n' "$text" | grep -qF -- ": --home=$dir_win\\"
    check_true "log shows key 124 expanded" $?
  fi

  # Both starts name the instance alike: the second found the first by that name.
  local names
  names=$(find "$dir/profile/Temp" "$PREFIX/drive_c/windows/temp" "$PREFIX/drive_c" -maxdepth 1 \
      -name 'cvn*' -newer "$E2E_DIR/.cell-marker" -print0 2>/dev/null | xargs -0 -r cat |
    tr -d '\r' | sed -n 's/.*semaphore name \(.*\), code \([0-9]*\),.*/\2 \1/p' | sort)
  check "instance names of the first and the second start" "0 183" \
    "$(printf '%s\n' "$names" | cut -d' ' -f1 | tr '\n' ' ' | sed 's/ $//')"
  check "one instance name for both starts" 1 "$(printf '%s\n' "$names" | cut -d' ' -f2- | sort -u | grep -c .)"
  echo "INSTANCE | $label | $CODE_PAGE${utf8:+ + UTF-8 manifest} | $(printf '%s\n' "$names" | head -n 1 | cut -d' ' -f2-)"

  local result
  if [ ${#CELL_FAILS[@]} -eq 0 ]; then
    result=passes
  else
    result="FAILS: $(IFS=';'; echo "${CELL_FAILS[*]}")"
    local first_error
    first_error=$(tr -d '\r' < "$out.first.stderr" 2>/dev/null | grep -v '^real java\|^$' | head -n 3)
    [ -n "$first_error" ] && result="$result; shown: $(echo "$first_error" | tr '\n' ' ')"
  fi
  echo "MATRIX | $label | $CODE_PAGE${utf8:+ + UTF-8 manifest} | $result"
}

run_matrix() {
  compile_probe
  probe_project app
  local i
  for i in "${!DIRECTORIES[@]}"; do
    run_cell "${LABELS[$i]}" "${DIRECTORIES[$i]}" "$E2E_DIR/app.exe" "$SAMPLE" "$ICONV_CP"
  done
}

# The opt-in UTF-8 active code page: the directory no ANSI code page holds, mixed-script text.
run_utf8_cell() {
  probe_project utf8 "[identity]
utf8_code_page = true"
  run_cell "beyond the code page" "utf8/Ünïcødé Äpp ✓" "$E2E_DIR/utf8.exe" "Ünï Демо デモ ✓" UTF-8 utf8
}
