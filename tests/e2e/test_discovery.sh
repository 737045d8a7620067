#!/usr/bin/env bash
# ctest-resource-lock: machine-runtime-registry
# Runtime discovery in applications built with tessel: runtimes made of the doubles are found
# through the search sequence and through TESSEL_JAVA_HOME; without one the start ends with
# exit code 83 and the configured message.
source "$(dirname "$0")/lib.sh"

# The minimal jvm.dll ends the process with this code when JNI_CreateJavaVM is called.
export TESSEL_JVM_EXIT_AT_CREATE=42
unset TESSEL_JAVA_HOME CORVANE_JAVA_HOME

# make_runtime HOME VERSION [jvm.dll]: bin\java.exe answering VERSION, bin\server\jvm.dll.
make_runtime() {
  runtime_double "$1" "java version \"$2\"" "${3:-$DOUBLES/jvm_dll_minimal/jvm.dll}"
}
java_runs() { cat "$1/bin/java.exe.count" 2>/dev/null | wc -c; }

# project NAME SEQUENCE: an application with the search sequence and the discovery messages.
project() {
  write_project "$1" <<TOML
[application]
name = "Discovery"
executable_type = 2
flavour = "t"
[java]
main_class = "com.example.Main"
min_version = "1.7"
search_sequence = "$2"
[messages]
no_jvm_bits = "No {0}-bit Java runtime was found."
jvm_damaged_64 = "The Java runtime at {0} is damaged."
env_var_no_64bit_jvm = "{0} names no 64-bit Java runtime."
jvm_not_started = "The Java virtual machine could not be started."
TOML
  mkdir -p "$E2E_DIR/$1"
  build_app "$E2E_DIR/$1.toml" "$E2E_DIR/$1/app.exe"
}

case_name "nothing found: exit 83 with the no-runtime message"
project none 'B.\\jre;EDISCOVERY_E2E_UNSET;Y;'
run_app "$E2E_DIR/none/app.exe"
expect_rc 83
expect_stderr_contains "No 64-bit Java runtime was found."
expect_stderr_lacks "could not be started"
expect_log_contains "Testing location .\\jre (type B)"
expect_log_contains "Search sequence finished"
expect_log_contains "ERROR: No JVM found"

case_name "shipped runtime in .\\jre, found in the main pass; the second start runs no java.exe"
project shipped 'B.\\jre;Y;'
make_runtime "$E2E_DIR/shipped/jre" 1.8.0_60
run_app "$E2E_DIR/shipped/app.exe"
expect_rc 42
expect_log_contains "got version from execution 1.8.0_60"
expect_log_contains "Loading of JVM-DLL successful"
expect_log_lacks "Search sequence finished"
run_app "$E2E_DIR/shipped/app.exe"
expect_rc 42
expect_log_contains "got version from registry 1.8.0_60"
[ "$(java_runs "$E2E_DIR/shipped/jre")" = 1 ] ||
  fail "java.exe ran $(java_runs "$E2E_DIR/shipped/jre") times over two starts, expected 1"

case_name "TESSEL_JAVA_HOME (forward slashes) after the sequence failed"
project home 'B.\\jre;'
make_runtime "$E2E_DIR/home-runtime" 11.0.2
TESSEL_JAVA_HOME=$(windows_path "$E2E_DIR/home-runtime" | tr '\\' /) run_app "$E2E_DIR/home/app.exe"
expect_rc 42
expect_log_contains "Search sequence finished"
expect_log_contains "got version from execution 11.0.2"
expect_log_contains "Loading of JVM-DLL successful"

case_name "TESSEL_JAVA_HOME outside the version range counts as nothing found"
make_runtime "$E2E_DIR/old-runtime" 1.6.0_45
TESSEL_JAVA_HOME=$(windows_path "$E2E_DIR/old-runtime") run_app "$E2E_DIR/home/app.exe"
expect_rc 83
expect_stderr_contains "No 64-bit Java runtime was found."

case_name "a 32-bit jvm.dll in .\\jre: the damaged-runtime message names the directory"
project damaged 'B.\\jre;'
make_runtime "$E2E_DIR/damaged/jre" 1.8.0_60 "$DOUBLES/jvm_dll_minimal/x86/jvm.dll"
run_app "$E2E_DIR/damaged/app.exe"
expect_rc 83
expect_stderr_contains "The Java runtime at .\\jre is damaged."
expect_stderr_contains "The Java virtual machine could not be started."
expect_log_contains "Failed with error code"
expect_log_contains "ERROR: Could not get DLL-Handle."

case_name "an environment variable entry that names a damaged runtime names the variable"
project variable 'EDISCOVERY_E2E_HOME;'
DISCOVERY_E2E_HOME=$(windows_path "$E2E_DIR/damaged/jre") run_app "$E2E_DIR/variable/app.exe"
expect_rc 83
expect_stderr_contains "DISCOVERY_E2E_HOME names no 64-bit Java runtime."

# min_version is 1.7: the main pass refuses these runtimes, the pass without the version
# check takes the shipped one, written either way.
for spelling in 'B.\\jre' 'B${TESSEL_EXEDIR}jre'; do
  case_name "the pass without the version check takes $spelling"
  project fallback "$spelling;"
  make_runtime "$E2E_DIR/fallback/jre" 1.6.0_45
  run_app "$E2E_DIR/fallback/app.exe"
  expect_rc 42
  expect_log_contains "Testing relative location"
  expect_log_contains "Loading of JVM-DLL successful"
done

# The version cache entries of this test's runtimes (the prefix is the build tree's own).
for exe in shipped/jre home-runtime old-runtime damaged/jre fallback/jre; do
  key=$(windows_path "$E2E_DIR/$exe/bin/java.exe" | tr '\\' / | tr '[:upper:]' '[:lower:]')
  (cd "$TESSEL_BUILD_DIR" && TESSEL_WINE_ROOT=$TESSEL_BUILD_DIR "$TESSEL_SOURCE_DIR/cmake/wine-run.sh" \
    reg delete "HKCU\\SOFTWARE\\brightmoor\\tessel\\jvms\\$key" /f </dev/null >/dev/null 2>&1)
done
finish
