#!/usr/bin/env bash
# A start that shows no window loads no window library: when the launcher calls
# JNI_CreateJavaVM, the jvm.dll double (which loads none itself before it shows a window)
# records whether user32, gdi32, comctl32 and the theme library are in the process. A splash
# is a window the configuration asked for; it brings them in.
source "$(dirname "$0")/lib.sh"

APP=$E2E_DIR/app
mkdir -p "$APP/lib"
runtime_double "$APP/jre" 'openjdk version "17.0.2" 2022-01-18'
touch "$APP/lib/app.jar"

# project NAME EXECUTABLE_TYPE [EXTRA ...]: an application in $APP named NAME.exe
project() {
  local name=$1 type=$2; shift 2
  {
    printf '[application]\nexecutable_type = %s\n' "$type"
    printf '[java]\nmain_class = "check.Main"\nclass_path = "S0.\\\\lib;"\n'
    printf 'search_sequence = "B.\\\\jre"\n'
    printf '%s\n' "$@"
  } | write_project "$name"
  build_app "$E2E_DIR/$name.toml" "$APP/$name.exe"
}

# libraries NAME [ARG ...]: runs NAME.exe, prints the record's line about window libraries
libraries() {
  local name=$1; shift
  rm -f "$E2E_DIR/record.txt"
  TESSEL_JVM_RECORD=$(windows_path "$E2E_DIR/record.txt") run_app "$APP/$name.exe" "$@"
  expect_rc 0
  tr -d '\r' < "$E2E_DIR/record.txt" 2>/dev/null | sed -n 's/^window libraries at creation: //p'
}

expect_libraries() {
  [ "$2" = "$1" ] || fail "window libraries at JNI_CreateJavaVM: expected '$1', got '$2'"
}

none="user32 0 gdi32 0 comctl32 0 uxtheme 0"

case_name "GUI launcher without splash"
project gui 1
expect_libraries "$none" "$(libraries gui)"

case_name "console launcher, with a log and arguments"
project console 2 'vm_parameters = "-Dx=1"'
expect_libraries "$none" "$(TESSEL_LOG=yes libraries console one two)"

case_name "single instance, first instance"
project single 2 '[instance]' 'single_instance = 1'
expect_libraries "$none" "$(libraries single)"

case_name "splash asked for: the common controls are ready before it"
project splash 1 '[splash]' 'enabled = true'
got=$(libraries splash)
case $got in
  "user32 1 gdi32 1 comctl32 1"*) ;;
  *) fail "with a splash: expected user32, gdi32 and comctl32 loaded, got '$got'" ;;
esac

finish
