#!/usr/bin/env bash
# Locale detection under Wine, which takes the user's locale from LC_ALL: the table row, the
# primary-language fallback, the formatasdefault argument and a long argument list. The block
# carries locale sections, which must be read past whatever the locale; without a Java runtime
# every run then ends with exit code 83.
. "$TESSEL_SOURCE_DIR/tests/e2e/lib.sh"

write_project app <<'TOML'
[application]
name = "Locale"
executable_type = 2
[java]
main_class = "demo.Main"
[locale.de]
no_jvm_bits = "Keine Java-Laufzeit gefunden."
[locale.de_AT]
no_jvm_bits = "Keine Java-Laufzeit gefunden (AT)."
[locale.ja]
no_jvm_bits = "Java ランタイムが見つかりません。"
TOML
build_app "$E2E_DIR/app.toml" "$E2E_DIR/app.exe"

# Bash warns that it cannot switch to a locale the machine lacks; Wine needs only the name.
run_in_locale() {
  local locale=$1; shift
  { LC_ALL=$locale run_app "$E2E_DIR/app.exe" "$@"; } 2> >(grep -v 'setlocale: LC_ALL' >&2)
  STDERR=$(printf '%s\n' "$STDERR" | grep -v 'setlocale: LC_ALL')
}

# The log line must be there as a whole line, not as the start of a longer one.
expect_log_line() {
  log_text | grep -qxF -- "$1" && return
  fail "log ${LAST_LOG:-(none)} lacks the whole line: $1"
  log_text | grep -F -- "${1%% *}" | sed 's/^/    log| /' >&2
}

case_name "de_DE from LC_ALL"
run_in_locale de_DE.UTF-8
expect_rc 83
expect_log_line "sun.locale.formatasdefault is true"
expect_log_line "language/country is de_DE"
# The error text is the one of the locale section that matches, not the English default.
expect_stderr_first_line "Keine Java-Laufzeit gefunden."

case_name "another full identifier with its own row"
run_in_locale de_AT.UTF-8
expect_rc 83
expect_log_line "language/country is de_AT"
expect_stderr_first_line "Keine Java-Laufzeit gefunden (AT)."

case_name "a sublanguage without a row falls back to its primary language"
run_in_locale es_US.UTF-8
expect_log_line "language/country is es"
expect_stderr_first_line "No JVM could be found on your system."

case_name "a Japanese text of the locale section, in the code page of the locale"
run_in_locale ja_JP.UTF-8
expect_rc 83
expect_log_line "language/country is ja_JP"
japanese=$(iconv -f CP932 -t UTF-8 < "$E2E_DIR/last.stderr" | tr -d '\r' | head -n 1)
[ "$japanese" = "Java ランタイムが見つかりません。" ] || fail "standard error under ja_JP: $japanese"

case_name "formatasdefault=false: reported, and the display language decides"
# Wine derives the display language from LC_ALL too, so both sources agree here.
run_in_locale fr_CA.UTF-8 -Dsun.locale.formatasdefault=false
expect_log_line "sun.locale.formatasdefault is false"
expect_log_line "language/country is fr_CA"

case_name "the last formatasdefault argument decides"
run_in_locale de_DE.UTF-8 -Dsun.locale.formatasdefault=false x -Dsun.locale.formatasdefault=true
expect_log_line "sun.locale.formatasdefault is true"
run_in_locale de_DE.UTF-8 -Dsun.locale.formatasdefault=true x -Dsun.locale.formatasdefault=TRUE
expect_log_line "sun.locale.formatasdefault is false"

case_name "10000 arguments"
args=()
for ((i = 0; i < 10000; i++)); do args+=(x); done
run_in_locale de_DE.UTF-8 "${args[@]}" -Dsun.locale.formatasdefault=false
expect_rc 83
expect_log_line "sun.locale.formatasdefault is false"
expect_log_line "language/country is de_DE"

# With a runtime (the java.exe and jvm.dll doubles) the VM options show what reaches Java.
runtime_double "$E2E_DIR/app/jre"
write_project runtime <<'TOML'
[application]
name = "Locale"
executable_type = 2
[java]
main_class = "demo.Main"
search_sequence = "B.\\jre;"
TOML
build_app "$E2E_DIR/runtime.toml" "$E2E_DIR/app/app.exe"
run_with_runtime() {
  local locale=$1; shift
  { LC_ALL=$locale run_app "$E2E_DIR/app/app.exe" "$@"; } 2> >(grep -v 'setlocale: LC_ALL' >&2)
  VM_OPTIONS=$(log_text | sed -n 's/^vmoption [0-9]*: //p')
}
expect_vm_options() {
  local got
  got=$(printf '%s\n' "$VM_OPTIONS" | grep -E '^-D(user\.(language|country)|sun\.locale)' | tr '\n' ' ')
  [ "$got" = "$1" ] || fail "locale VM options: expected '$1', got '$got'"
}

case_name "formatasdefault=false passes the display language and country to Java"
run_with_runtime de_CH.UTF-8 -Dsun.locale.formatasdefault=false
expect_rc 0
expect_vm_options "-Dsun.locale.formatasdefault=false -Duser.language=de -Duser.country=CH "

case_name "a locale name without a country passes only the language"
run_with_runtime nn_NO.UTF-8 -Dsun.locale.formatasdefault=false
expect_log_line "language/country is no_NO_NY"
expect_vm_options "-Dsun.locale.formatasdefault=false -Duser.language=no "

case_name "formatasdefault=true and no argument leave the runtime's own choice"
run_with_runtime de_CH.UTF-8 -Dsun.locale.formatasdefault=true
expect_vm_options "-Dsun.locale.formatasdefault=true "
run_with_runtime de_CH.UTF-8
expect_vm_options ""

finish
