# Runtime discovery under folders with non-ASCII names, sourced after matrix.sh (which picks
# the code page and the prefix). One runtime of the doubles lies in "C:\Programme\Jävä Runtime"
# (letters of Latin-1), one in a Cyrillic folder (letters no Latin-1 value can hold, so they
# reach the search through a variable). Each is looked for by a directory entry of the search
# sequence, by an E entry and through PATH. The minimal jvm.dll ends the start at
# JNI_CreateJavaVM with 42: reaching it means the runtime was found, judged and loaded.
LATIN_HOME='C:\Programme\Jävä Runtime'
CYRILLIC_HOME='C:\Программы\Ява 17'

drive_c_path() { printf '%s/drive_c/%s' "$PREFIX" "$(printf '%s' "${1#C:\\}" | tr '\\' /)"; }

# discovery_cell LABEL SEQUENCE HOME [NAME=VALUE...]: one start with the variables exported.
discovery_cell() {
  local label=$1 sequence=$2 home=$3 name lowered assignment
  shift 3
  name=discovery-$(printf '%s' "$label" | cksum | cut -d' ' -f1)
  CASE="$label, code page $CODE_PAGE"
  echo "--- $CASE"
  write_project "$name" <<TOML
[application]
name = "Discovery"
executable_type = 2
flavour = "t"
[java]
main_class = "com.example.Main"
search_sequence = '$sequence'
TOML
  mkdir -p "$E2E_DIR/$name"
  build_app "$E2E_DIR/$name.toml" "$E2E_DIR/$name/app.exe"
  local before=$E2E_FAILURES
  prefix_tool reg delete 'HKCU\Software\brightmoor\tessel\jvms' /f  # no version from the cache
  (
    for assignment in "$@"; do export "${assignment?}"; done
    TESSEL_JVM_EXIT_AT_CREATE=42 run_app "$E2E_DIR/$name/app.exe"
    expect_rc 42
    expect_log_contains "Loading of JVM-DLL successful"
    # Judged and asked for its version in the main pass, not taken unchecked by the fallback.
    expect_log_contains "got version from execution 17.0.2"
    expect_log_lacks "Testing relative location"
    # The log names the runtime by its own letters (ASCII letters lower-cased), not a short name.
    lowered=$(printf '%s' "$home" | tr 'A-Z' 'a-z')
    expect_log_contains "Trying to load JVM-DLL from $lowered\\bin\\java.exe"
    [ "$E2E_FAILURES" = "$before" ] && result=passes || result="FAILS (exit code $RC)"
    echo "DISCOVERY | $label | $CODE_PAGE | $result"
    exit "$E2E_FAILURES"
  )
  E2E_FAILURES=$?
}

run_discovery_cells() {
  unset TESSEL_JAVA_HOME CORVANE_JAVA_HOME
  # The matrix moves the profile's temporary directory around: these starts get their own.
  E2E_TMP=$E2E_DIR/tmp
  prefix_tool cmd.exe /c exit 0  # the prefix exists before runtimes go into its drive
  local home
  for home in "$LATIN_HOME" "$CYRILLIC_HOME"; do
    runtime_double "$(drive_c_path "$home")" 'openjdk version "17.0.2" 2022-01-18' \
      "$DOUBLES/jvm_dll_minimal/jvm.dll"
  done
  discovery_cell "B entry written in the project, Latin-1 letters" "B$LATIN_HOME" "$LATIN_HOME"
  discovery_cell "B entry through a variable, Cyrillic folder" 'B${DISCOVERY_HOME}' \
    "$CYRILLIC_HOME" "DISCOVERY_HOME=$CYRILLIC_HOME"
  discovery_cell "E entry, Latin-1 letters" "EDISCOVERY_HOME" "$LATIN_HOME" \
    "DISCOVERY_HOME=$LATIN_HOME"
  discovery_cell "E entry, Cyrillic folder" "EDISCOVERY_HOME" "$CYRILLIC_HOME" \
    "DISCOVERY_HOME=$CYRILLIC_HOME"
  discovery_cell "PATH, Latin-1 letters" "S" "$LATIN_HOME" "WINEPATH=$LATIN_HOME\\bin"
  discovery_cell "PATH, Cyrillic folder" "S" "$CYRILLIC_HOME" "WINEPATH=$CYRILLIC_HOME\\bin"
}
