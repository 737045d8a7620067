#!/usr/bin/env bash
# examples/maven built as a Maven user builds it (mvn package, offline against Debian's
# repository and this tree's plug-in), and the executable it writes started under Wine through
# the OpenJDK bridge; then a project file completed by the pom, and a setting given twice.
# ctest-resource-lock: maven-local-repository
source "$(dirname "$0")/lib.sh"

W="$E2E_DIR/maven example"
mkdir -p "$W"
cp -r "$TESSEL_SOURCE_DIR/examples/maven/." "$W/"
rm -rf "$W/target"
mvn_offline() { (cd "$W" && "$TESSEL_SOURCE_DIR/scripts/mvn-offline" -q "$@") > "$E2E_DIR/mvn.out" 2>&1; }

# jre\ of the runtime doubles: the application runs in this machine's Java.
install_runtime() {
  runtime_double "$1/jre" 'openjdk version "17.0.2" 2022-01-18'
  local java
  java=$(readlink -f "$(command -v java)")
  printf '#!/bin/sh\nexec %s "$@" 1>&2\n' "'$java'" > "$1/jre/java-on-linux.sh"
  chmod +x "$1/jre/java-on-linux.sh"
}

case_name "mvn package writes target/tessel/greeter.exe and lib/ with the jar, its library and the runtime"
start=$(date +%s.%N)
mvn_offline package || { fail "mvn package failed"; cat "$E2E_DIR/mvn.out" >&2; }
seconds=$(echo "$(date +%s.%N) - $start" | bc)
echo "mvn package of examples/maven: ${seconds} s"
out=$W/target/tessel
for f in greeter.exe lib/greeter-1.2.0.jar lib/commons-lang3-3.12.0.jar lib/tessel-runtime.jar; do
  [ -f "$out/$f" ] || fail "target/tessel lacks $f"
done
inspect=$("$TESSEL_TOOL" inspect "$out/greeter.exe")
for want in 'class_path' 'S0.\lib;' 'com.example.greeter.Main' 'FileVersion: 1.2.0' 'ProductName: Greeter'; do
  printf '%s\n' "$inspect" | grep -qF -- "$want" || fail "inspect of greeter.exe lacks $want"
done
install_runtime "$out"
TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$out/jre/java-on-linux.sh run_app "$out/greeter.exe" ada bob
expect_rc 0
expect_stderr_contains "Hello, Ada and bob! (greeter"

case_name "a project file completed by the pom keeps its own settings and relative paths"
mkdir -p "$W/launcher"
printf 'payload' > "$W/launcher/notes.txt"
cat > "$W/launcher/greeter.toml" <<'TOML'
[application]
name = "Greeter from the file"

[java]
arguments = "--from-file"

[[embed]]
source = "notes.txt"
name = "doc\\notes.txt"
TOML
python3 - "$W/pom.xml" <<'PY'
import sys
p = sys.argv[1]
t = open(p, encoding="utf-8").read()
t = t.replace("<mainClass>", "<projectFile>launcher/greeter.toml</projectFile>\n          <mainClass>", 1)
open(p, "w", encoding="utf-8").write(t)
PY
mvn_offline package || { fail "mvn package with a project file failed"; cat "$E2E_DIR/mvn.out" >&2; }
inspect=$("$TESSEL_TOOL" inspect "$out/greeter.exe")
for want in 'Greeter from the file' '--from-file' 'doc\notes.txt' 'S0.\lib;'; do
  printf '%s\n' "$inspect" | grep -qF -- "$want" || fail "inspect lacks $want"
done
ls -A "$W/launcher" | grep -q tessel-maven && fail "the completed project file was left beside the user's"
TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$out/jre/java-on-linux.sh run_app "$out/greeter.exe" cy
expect_rc 0
expect_stderr_contains "Hello, --from-file and cy!"

case_name "a setting in the pom and in the project file is named with the file's line"
sed -i 's/^arguments = .*/arguments = "--from-file"\nmin_version = "11"/' "$W/launcher/greeter.toml"
mvn_offline package && fail "a setting given twice was accepted"
grep -qF "[java] min_version is set in the pom and in $W/launcher/greeter.toml on line 6" "$E2E_DIR/mvn.out" ||
  { fail "the double setting is not named"; cat "$E2E_DIR/mvn.out" >&2; }

finish
