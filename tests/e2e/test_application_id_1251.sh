#!/usr/bin/env bash
# application_id under code page 1251: the id is stored as Latin-1 and names the registry value
# of the application's previous installations by its own letters. "café" is found as "café",
# never as "cafй" (its bytes read in code page 1251), which names no value and left the start
# without a runtime (exit 83).
source "$(dirname "$0")/lib.sh"

export LC_ALL=ru_RU.UTF-8 TESSEL_WINE_PREFIX=wineprefix-cp1251-appid
if ! locale -a 2>/dev/null | grep -qix ru_RU.utf8; then
  echo "locale $LC_ALL is missing: run scripts/install-deps.sh" >&2
  exit 1
fi
export E2E_TMP=$E2E_DIR/tmp
unset TESSEL_JAVA_HOME CORVANE_JAVA_HOME

write_project appid <<'TOML'
[application]
name = "Appid"
executable_type = 2
flavour = "t"
application_id = "café"
[java]
main_class = "com.example.Main"
search_sequence = "B.\\none;"
TOML
mkdir -p "$E2E_DIR/app"
build_app "$E2E_DIR/appid.toml" "$E2E_DIR/app/app.exe"
INSTALLED=$E2E_DIR/Установка
runtime_double "$INSTALLED/jre" 'openjdk version "17.0.2" 2022-01-18'
KEY='HKCU\SOFTWARE\brightmoor\corvane\installations'

case_name "previous installation under the value named café, code page 1251"
registry_delete "$KEY"
registry_set "$KEY" "café" REG_SZ "$(windows_path "$INSTALLED")"
run_app "$E2E_DIR/app/app.exe"
expect_rc 0
expect_log_contains "checking installations of application id café"
expect_log_contains "found JRE from previous installation (user)"
registry_delete "$KEY"

finish
