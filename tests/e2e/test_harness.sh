#!/usr/bin/env bash
# The helpers other end-to-end tests rely on: registry values read back exactly (spaces,
# backslashes, empty data, numbers), absent values told apart from empty ones, a hanging
# program stopped and reported.
source "$(dirname "$0")/lib.sh"

key="HKCU\\Software\\$E2E_UNIQUE"
registry_delete "$key"

case_name "registry values round-trip"
registry_set "$key" "name with  spaces" REG_SZ 'C:\dir  two\x.exe'
registry_set "$key" empty REG_SZ ""
registry_set "$key" count REG_DWORD 42
expect_registry_value "$key" "name with  spaces" 'C:\dir  two\x.exe'
expect_registry_value "$key" empty ""
expect_registry_value "$key" count 0x2a
expect_registry_absent "$key" "name with"
expect_registry_absent "$key" missing

case_name "a failed expectation is counted"
before=$E2E_FAILURES
expect_registry_value "$key" count 43 2>/dev/null
expect_registry_absent "$key" empty 2>/dev/null
[ "$E2E_FAILURES" = $((before + 2)) ] || { E2E_FAILURES=$before; fail "failed expectations were not counted"; }
E2E_FAILURES=$before

registry_delete "$key"
expect_registry_absent "$key" count

case_name "a program that never ends is stopped and reported"
before=$E2E_FAILURES
E2E_TIMEOUT=2 run_app "C:\\windows\\system32\\cmd.exe" /c "ping -n 30 127.0.0.1 >nul" 2>/dev/null
[ "$E2E_FAILURES" = $((before + 1)) ] || fail "a run over the time limit was not reported (exit code $RC)"
E2E_FAILURES=$before

finish
