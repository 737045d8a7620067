#!/usr/bin/env bash
# Runtime images made without java.exe (jlink --strip-native-commands) and the release file as
# the version source, in applications built with tessel: every kind of runtime directory takes
# an image, a GUI application does not ask for javaw.exe there, and a shipped runtime with a
# release file starts no process on its first start or any later one.
source "$(dirname "$0")/lib.sh"

export TESSEL_JVM_EXIT_AT_CREATE=42  # the minimal jvm.dll ends the process here
unset TESSEL_JAVA_HOME CORVANE_JAVA_HOME

# make_image HOME VERSION [RUNTIME_VERSION]: release file and bin\server\jvm.dll, nothing else.
make_image() {
  mkdir -p "$1/bin/server"
  cp "$DOUBLES/jvm_dll_minimal/jvm.dll" "$1/bin/server/jvm.dll"
  { printf 'IMPLEMENTOR="Eclipse Adoptium"\r\n'
    [ -n "${3:-}" ] && printf 'JAVA_RUNTIME_VERSION="%s"\r\n' "$3"
    printf 'JAVA_VERSION="%s"\r\nOS_ARCH="x86_64"\r\nOS_NAME="Windows"\r\n' "$2"; } > "$1/release"
}
# make_full HOME VERSION [release]: java.exe answering VERSION, optionally a release file too.
make_full() {
  runtime_double "$1" "openjdk version \"$2\" 2022-01-18" "$DOUBLES/jvm_dll_minimal/jvm.dll"
  [ "${3:-}" = release ] && printf 'JAVA_VERSION="%s"\n' "$2" > "$1/release"
  return 0
}
java_runs() { cat "$1/bin/java.exe.count" 2>/dev/null | wc -c; }

# project NAME SEQUENCE [TYPE] [EXTRA]: an application with min_version 11.
project() {
  write_project "$1" <<TOML
[application]
name = "Images"
executable_type = ${3:-2}
flavour = "t"
${4:-}
[java]
main_class = "com.example.Main"
min_version = "11"
search_sequence = "$2"
[messages]
no_jvm_bits = "No {0}-bit Java runtime was found."
TOML
  mkdir -p "$E2E_DIR/$1"
  build_app "$E2E_DIR/$1.toml" "$E2E_DIR/$1/app.exe"
}

expect_image_loaded() {
  expect_rc 42
  expect_log_contains "runtime image without java.exe"
  expect_log_contains "got version from release file $1"
  expect_log_contains "Loading of JVM-DLL successful"
  expect_log_lacks "Could not create process"
}

case_name "image in .\\jre (B entry): loaded, version from the release file"
project shipped 'B.\\jre;'
make_image "$E2E_DIR/shipped/jre" 17.0.2
run_app "$E2E_DIR/shipped/app.exe"
expect_image_loaded 17.0.2
expect_log_contains "Trying $(windows_path "$E2E_DIR/shipped/jre" | tr '[:upper:]' '[:lower:]')\\bin\\server\\jvm.dll (exists 1)"

case_name "GUI application (executable_type 1): no javaw.exe asked for in an image"
project gui 'B.\\jre;' 1
make_image "$E2E_DIR/gui/jre" 17.0.2
run_app "$E2E_DIR/gui/app.exe"
expect_image_loaded 17.0.2
expect_log_lacks "javaw.exe"

IMAGE=$E2E_DIR/image-17
make_image "$IMAGE" 17.0.9
IMAGE_WIN=$(windows_path "$IMAGE")
for type in A R; do
  case_name "absolute $type entry names an image"
  project "entry$type" "$type$(printf '%s' "$IMAGE_WIN" | sed 's/\\/\\\\/g');"
  run_app "$E2E_DIR/entry$type/app.exe"
  expect_image_loaded 17.0.9
done

case_name "E entry and TESSEL_JAVA_HOME name an image"
project variable 'EIMAGE_E2E_HOME;'
IMAGE_E2E_HOME=$IMAGE_WIN run_app "$E2E_DIR/variable/app.exe"
expect_image_loaded 17.0.9
project fixed 'B.\\jre;'
TESSEL_JAVA_HOME=$IMAGE_WIN run_app "$E2E_DIR/fixed/app.exe"
expect_image_loaded 17.0.9
expect_log_contains "Search sequence finished"

case_name "preferred location file names an image"
project located 'B.\\jre;' 2 'installation_directory = "."'
mkdir -p "$E2E_DIR/located/.corvane"
printf '%s\r\n' "$IMAGE_WIN" > "$E2E_DIR/located/.corvane/pref_jre.cfg"
run_app "$E2E_DIR/located/app.exe"
expect_image_loaded 17.0.9
expect_log_contains "Using preferred location"

case_name "an early-access image is a pre-release: refused outside directory entries"
make_image "$E2E_DIR/image-ea" 18 18-ea+20-1248
project early 'EIMAGE_E2E_EA;'
IMAGE_E2E_EA=$(windows_path "$E2E_DIR/image-ea") run_app "$E2E_DIR/early/app.exe"
expect_rc 83
expect_log_contains "got version from release file 18-ea"
expect_log_contains "E IMAGE_E2E_EA -> $(windows_path "$E2E_DIR/image-ea" | tr '[:upper:]' '[:lower:]'): pre-release (18-ea; range 11 to any)"

case_name "the range applies to the release file's version"
make_image "$E2E_DIR/image-8" 1.8.0_392
IMAGE_E2E_EA=$(windows_path "$E2E_DIR/image-8") run_app "$E2E_DIR/early/app.exe"
expect_rc 83
expect_log_contains "got version from release file 1.8.0_392"
expect_log_contains "E IMAGE_E2E_EA -> $(windows_path "$E2E_DIR/image-8" | tr '[:upper:]' '[:lower:]'): version out of range (1.8.0_392; range 11 to any)"

case_name "bundled runtime with java.exe and a release file: no java.exe run on either start"
project bundled 'B.\\jre;'
make_full "$E2E_DIR/bundled/jre" 17.0.2 release
run_app "$E2E_DIR/bundled/app.exe"
expect_rc 42
expect_log_contains "got version from release file 17.0.2"
first=$(java_runs "$E2E_DIR/bundled/jre")
run_app "$E2E_DIR/bundled/app.exe"
expect_rc 42
second=$(java_runs "$E2E_DIR/bundled/jre")
echo "java.exe runs with a release file: first start $first, second start $((second - first))"
[ "$second" = 0 ] || fail "java.exe ran $first + $((second - first)) times, expected 0 + 0"

case_name "without a release file the version is asked once and then cached"
project asked 'B.\\jre;'
make_full "$E2E_DIR/asked/jre" 17.0.2
run_app "$E2E_DIR/asked/app.exe"
expect_rc 42
expect_log_contains "got version from execution 17.0.2"
first=$(java_runs "$E2E_DIR/asked/jre")
run_app "$E2E_DIR/asked/app.exe"
expect_log_contains "got version from registry 17.0.2"
second=$(java_runs "$E2E_DIR/asked/jre")
echo "java.exe runs without a release file: first start $first, second start $((second - first))"
[ "$first" = 1 ] && [ "$second" = 1 ] || fail "java.exe ran $first + $((second - first)) times, expected 1 + 0"

key=$(windows_path "$E2E_DIR/asked/jre/bin/java.exe" | tr '\\' / | tr '[:upper:]' '[:lower:]')
registry_delete "HKCU\\SOFTWARE\\brightmoor\\tessel\\jvms\\$key"
finish
