#!/usr/bin/env bash
# ctest-resource-lock: machine-runtime-registry
# The registry source (Y entry) reads the keys today's installers write, in HKLM and HKCU:
# the JavaSoft layout of Java 9 and later, Eclipse Adoptium (and AdoptOpenJDK, Eclipse
# Foundation), Microsoft, IBM Semeru, Azul Zulu and BellSoft Liberica. Each layout is written
# into the prefix's real registry as the installers write it; the newest runtime in range wins.
source "$(dirname "$0")/lib.sh"

export TESSEL_JVM_EXIT_AT_CREATE=42
unset TESSEL_JAVA_HOME CORVANE_JAVA_HOME

# make_runtime HOME VERSION: java.exe answering VERSION (no release file: the banner path).
make_runtime() {
  runtime_double "$1" "openjdk version \"$2\" 2022-01-18" "$DOUBLES/jvm_dll_minimal/jvm.dll"
}
lower() { tr '[:upper:]' '[:lower:]'; }

write_project vendors <<'TOML'
[application]
name = "Vendors"
executable_type = 2
flavour = "t"
[java]
main_class = "com.example.Main"
min_version = "11"
max_version = "21"
search_sequence = "Y;"
[messages]
no_jvm_bits = "No {0}-bit Java runtime was found."
TOML
mkdir -p "$E2E_DIR/app"
build_app "$E2E_DIR/vendors.toml" "$E2E_DIR/app/app.exe"

# Every key this test writes, removed at the end (and before, after an interrupted run).
ROOTS="JavaSoft\\JDK JavaSoft\\JRE Eclipse?Adoptium AdoptOpenJDK Eclipse?Foundation Microsoft\\JDK Semeru Azul?Systems BellSoft"
clean_registry() {
  local hive root
  for hive in HKLM HKCU; do
    for root in $ROOTS; do registry_delete "$hive\\SOFTWARE\\${root//\?/ }"; done
  done
}
clean_registry

# layout HIVE KEY VALUE: one runtime registered under KEY, found and loaded.
n=0
layout() {
  n=$((n + 1))
  local home=$E2E_DIR/rt$n
  case_name "$1\\SOFTWARE\\$2 ($3)"
  make_runtime "$home" 17.0.$n
  registry_set "$1\\SOFTWARE\\$2" "$3" REG_SZ "$(windows_path "$home")\\"
  run_app "$E2E_DIR/app/app.exe"
  expect_rc 42
  expect_log_contains "found registry runtime $(windows_path "$home" | lower)\\bin\\java.exe 17.0.$n"
  expect_log_contains "Loading of JVM-DLL successful"
  # The vendor's key (JavaSoft's layout key), so that the next layout stands alone.
  local top=${2%%\\*}
  [ "$top" = JavaSoft ] && top=$(printf '%s' "$2" | cut -d'\' -f1-2)
  registry_delete "$1\\SOFTWARE\\$top"
}
layout HKLM 'JavaSoft\JDK\17.0.1' JavaHome
layout HKLM 'JavaSoft\JRE\17.0.2' JavaHome
layout HKLM 'Eclipse Adoptium\JDK\17.0.3.7\hotspot\MSI' Path
layout HKCU 'Eclipse Adoptium\JRE\17.0.4.8\hotspot\MSI' Path
layout HKLM 'AdoptOpenJDK\JDK\17.0.5.8\openj9\MSI' Path
layout HKLM 'AdoptOpenJDK\JRE\17.0.6.10\hotspot\MSI' Path
layout HKLM 'Eclipse Foundation\JDK\17.0.7.7\hotspot\MSI' Path
layout HKLM 'Microsoft\JDK\17.0.8.7\hotspot\MSI' Path
layout HKCU 'Microsoft\JDK\17.0.9.8\hotspot\MSI' Path
layout HKLM 'Semeru\JDK\17.0.10.7\openj9\MSI' Path
layout HKLM 'Semeru\JRE\17.0.11.9\openj9\MSI' Path
layout HKLM 'Azul Systems\Zulu\zulu-17' InstallationPath
layout HKCU 'BellSoft\Liberica\jdk-17' InstallationPath

case_name "several vendors: the newest in range wins (21 over 17 over 11; 22 is out of range)"
make_runtime "$E2E_DIR/v11" 11.0.22
make_runtime "$E2E_DIR/v17" 17.0.10
make_runtime "$E2E_DIR/v21" 21.0.2
make_runtime "$E2E_DIR/v22" 22.0.1
registry_set 'HKLM\SOFTWARE\Microsoft\JDK\11.0.22.7\hotspot\MSI' Path REG_SZ "$(windows_path "$E2E_DIR/v11")"
registry_set 'HKLM\SOFTWARE\Eclipse Adoptium\JDK\17.0.10.7\hotspot\MSI' Path REG_SZ "$(windows_path "$E2E_DIR/v17")"
registry_set 'HKCU\SOFTWARE\Azul Systems\Zulu\zulu-21' InstallationPath REG_SZ "$(windows_path "$E2E_DIR/v21")"
registry_set 'HKLM\SOFTWARE\BellSoft\Liberica\jdk-22' InstallationPath REG_SZ "$(windows_path "$E2E_DIR/v22")"
run_app "$E2E_DIR/app/app.exe"
expect_rc 42
expect_log_contains "found registry runtime $(windows_path "$E2E_DIR/v21" | lower)\\bin\\java.exe 21.0.2"
expect_log_contains "Trying $(windows_path "$E2E_DIR/v21" | lower)\\bin\\server\\jvm.dll (exists 1)"

case_name "nothing in range: the log names each registered runtime and why"
registry_delete 'HKCU\SOFTWARE\Azul Systems'
registry_delete 'HKLM\SOFTWARE\Eclipse Adoptium'
registry_delete 'HKLM\SOFTWARE\Microsoft\JDK'
run_app "$E2E_DIR/app/app.exe"
expect_rc 83
expect_log_contains "Y BellSoft Liberica HKLM\\SOFTWARE\\BellSoft\\Liberica\\jdk-22 -> $(windows_path "$E2E_DIR/v22" | lower): version out of range (22.0.1; range 11 to 21)"
clean_registry

for i in $(seq 1 $n) 11 17 21 22; do
  for exe in "$E2E_DIR/rt$i" "$E2E_DIR/v$i"; do
    [ -d "$exe" ] || continue
    key=$(windows_path "$exe/bin/java.exe" | tr '\\' / | lower)
    registry_delete "HKCU\\SOFTWARE\\brightmoor\\tessel\\jvms\\$key"
  done
done
finish
