#!/usr/bin/env bash
# When no runtime is usable, the log names every candidate that was looked at and why it was
# refused, one line each in search order: not found, version out of range, pre-release, wrong
# word size, damaged library. The start still ends with exit code 83 and the message of the
# last accepted source.
source "$(dirname "$0")/lib.sh"

unset TESSEL_JAVA_HOME CORVANE_JAVA_HOME
lower() { tr '[:upper:]' '[:lower:]'; }
win() { windows_path "$1"; }
winl() { windows_path "$1" | lower; }

R=$E2E_DIR/runtimes
mkdir -p "$R/old/bin/server" "$R/ea/bin/server" "$R/x86/bin/server" "$R/damaged/bin/server"
cp "$DOUBLES/java_exe/java.exe" "$R/old/bin/java.exe"
printf 'line=java version "1.8.0_392"\n' > "$R/old/bin/java.exe.cfg"
cp "$DOUBLES/jvm_dll_minimal/jvm.dll" "$R/old/bin/server/"
printf 'JAVA_VERSION="22"\nJAVA_RUNTIME_VERSION="22-ea+27-2262"\n' > "$R/ea/release"
cp "$DOUBLES/jvm_dll_minimal/jvm.dll" "$R/ea/bin/server/"
printf 'JAVA_VERSION="17.0.2"\n' > "$R/x86/release"
cp "$DOUBLES/jvm_dll_minimal/x86/jvm.dll" "$R/x86/bin/server/"
printf 'JAVA_VERSION="21.0.1"\n' > "$R/damaged/release"
printf 'truncated download' > "$R/damaged/bin/server/jvm.dll"

esc() { win "$1" | sed 's/\\/\\\\/g'; }
write_project refusals <<TOML
[application]
name = "Refusals"
executable_type = 2
flavour = "t"
[java]
main_class = "com.example.Main"
min_version = "11"
search_sequence = "B.\\\\jre;A$(esc "$R/old");EREFUSAL_UNSET;EREFUSAL_EA;R$(esc "$R/x86");R$(esc "$R/damaged");"
[messages]
no_jvm_bits = "No {0}-bit Java runtime was found."
jvm_damaged_64 = "The Java runtime at {0} is damaged."
jvm_not_started = "The Java virtual machine could not be started."
TOML
mkdir -p "$E2E_DIR/app"
build_app "$E2E_DIR/refusals.toml" "$E2E_DIR/app/app.exe"

case_name "six refused candidates, each with its reason, in search order"
REFUSAL_EA=$(win "$R/ea") run_app "$E2E_DIR/app/app.exe"
expect_rc 83
expect_stderr_contains "The Java runtime at $(win "$R/damaged") is damaged."
expected=(
  "No usable Java runtime; candidates in search order:"
  "  B .\\jre -> $(winl "$E2E_DIR/app")\\jre: not found (no java.exe)"
  "  A $(win "$R/old") -> $(winl "$R/old"): version out of range (1.8.0_392; range 11 to any)"
  "  E REFUSAL_UNSET -> %REFUSAL_UNSET%: not found (not set)"
  "  E REFUSAL_EA -> $(winl "$R/ea"): pre-release (22-ea; range 11 to any)"
  "  R $(win "$R/x86") -> $(winl "$R/x86"): wrong word size ($(winl "$R/x86")\\bin\\server\\jvm.dll is a 32-bit library)"
  "  R $(win "$R/damaged") -> $(winl "$R/damaged"): damaged library ($(winl "$R/damaged")\\bin\\server\\jvm.dll does not load, error"
  "  B .\\jre, without the version check -> $(winl "$E2E_DIR/app")\\jre: not found (no java.exe)"
  "  TESSEL_JAVA_HOME -> %TESSEL_JAVA_HOME%: not found (not set)"
  "  CORVANE_JAVA_HOME -> %CORVANE_JAVA_HOME%: not found (not set)"
)
# Each expected line, and each after the one before it.
previous=0
for line in "${expected[@]}"; do
  at=$(log_text | grep -nF -- "$line" | head -n 1 | cut -d: -f1)
  if [ -z "$at" ]; then
    fail "log lacks: $line"
  elif [ "$at" -le "$previous" ]; then
    fail "out of order (line $at after $previous): $line"
  else
    previous=$at
  fi
done
# The lines that were there before stay.
expect_log_contains "Testing location .\\jre (type B)"
expect_log_contains "beta vm not allowed"
expect_log_contains "Failed with error code"
expect_log_contains "ERROR: Could not get DLL-Handle."
[ "$E2E_FAILURES" = 0 ] || log_text | sed 's/^/    log| /' >&2
log_text | sed -n '/No usable Java runtime/,/CORVANE_JAVA_HOME ->/p' > "$E2E_DIR/refusals.txt"

key=$(windows_path "$R/old/bin/java.exe" | tr '\\' / | lower)
registry_delete "HKCU\\SOFTWARE\\brightmoor\\tessel\\jvms\\$key"
finish
