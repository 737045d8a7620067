#!/usr/bin/env bash
# A modular application end to end: two modules compiled with javac --module-source-path,
# packaged as modular jars in mods\, started by main_module through the launcher under Wine,
# with main running in the machine's OpenJDK. The application's module does not export the
# package of its main class, as modules started with `java -m` need not.
source "$(dirname "$0")/lib.sh"

JAVA_BIN=/usr/lib/jvm/java-17-openjdk-amd64/bin
APP=$E2E_DIR/app
SRC=$E2E_DIR/src
mkdir -p "$APP/lib" "$APP/mods" "$APP/jre/bin/server" "$SRC/com.example.app/com/example/app" \
  "$SRC/com.example.greet/com/example/greet"

cat > "$SRC/com.example.greet/module-info.java" <<'EOF'
module com.example.greet {
    exports com.example.greet;
}
EOF
cat > "$SRC/com.example.greet/com/example/greet/Greeter.java" <<'EOF'
package com.example.greet;

public final class Greeter {
    public static String greet(String who) {
        return "hello " + who + " from " + Greeter.class.getModule().getName();
    }

    /** The module's own main class; its package is exported. */
    public static void main(String[] args) {
        System.out.println("greet: main of " + Greeter.class.getModule().getName()
                + " args " + java.util.Arrays.toString(args));
    }
}
EOF
cat > "$SRC/com.example.app/module-info.java" <<'EOF'
module com.example.app {
    requires com.example.greet;
}
EOF
cat > "$SRC/com.example.app/com/example/app/Main.java" <<'EOF'
package com.example.app;

import com.example.greet.Greeter;

public final class Main {
    public static void main(String[] args) {
        System.out.println("modapp: " + Greeter.greet("launcher"));
        System.out.println("modapp: main in module " + Main.class.getModule().getName()
                + ", named " + Main.class.getModule().isNamed());
        System.out.println("modapp: args " + java.util.Arrays.toString(args));
    }
}
EOF
# A main class that is not public, which java -m starts, and a class without main.
cat > "$SRC/com.example.app/com/example/app/Hidden.java" <<'EOF'
package com.example.app;

final class Hidden {
    public static void main(String[] args) {
        System.out.println("modapp: hidden main started");
    }
}

final class NoMain {
}
EOF
"$JAVA_BIN/javac" -d "$E2E_DIR/classes" --module-source-path "$SRC" \
  -m com.example.app,com.example.greet || { fail "javac failed"; finish; }
"$JAVA_BIN/jar" --create --file "$APP/mods/com.example.app.jar" --main-class com.example.app.Main \
  -C "$E2E_DIR/classes/com.example.app" . || { fail "jar failed"; finish; }
"$JAVA_BIN/jar" --create --file "$APP/mods/com.example.greet.jar" \
  --main-class com.example.greet.Greeter -C "$E2E_DIR/classes/com.example.greet" . ||
  { fail "jar failed"; finish; }
cp "$TESSEL_RUNTIME_JAR" "$APP/lib/"
runtime_double "$APP/jre" 'openjdk version "17.0.2" 2022-01-18'
export TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$JAVA_BIN/java

# project NAME MAIN_MODULE [MODULE_PATH]: an application of the two modules; the build's
# messages in BUILD_OUT.
project() {
  write_project "$1" <<EOF
[application]
executable_type = 2

[java]
main_module = "$2"
module_path = "${3:-D1.\\\\mods;}"
class_path = "A1.\\\\lib\\\\tessel-runtime.jar;"
search_sequence = "B.\\\\jre"
EOF
  BUILD_OUT=$("$TESSEL_TOOL" build "$E2E_DIR/$1.toml" -o "$APP/$1.exe" 2>&1) ||
    { fail "tessel build $1 failed: $BUILD_OUT"; finish; }
}

case_name "a named main class in a module that does not export its package"
project named "com.example.app/com.example.app.Main"
run_app "$APP/named.exe" one "two words"
expect_rc 0
expect_stdout_contains "modapp: hello launcher from com.example.greet"
expect_stdout_contains "modapp: main in module com.example.app, named true"
expect_stdout_contains "modapp: args [one, two words]"
expect_log_contains "--add-modules=com.example.app"
expect_log_contains "--add-opens=com.example.app/com.example.app=ALL-UNNAMED"
expect_log_contains "-Dtessel.mainModule=com.example.app"
expect_log_contains "--module-path=$(windows_path "$APP")\\.\\mods"

case_name "a main class that is not public starts, as with java -m"
project hidden_class "com.example.app/com.example.app.Hidden"
run_app "$APP/hidden_class.exe"
expect_rc 0
expect_stdout_contains "modapp: hidden main started"

case_name "a module's missing main class ends with message 1010, a missing main method with 1011"
project missing_class "com.example.app/com.example.app.Nowhere"
run_app "$APP/missing_class.exe"
expect_rc 1
expect_stderr_contains "Couldn't load main class com.example.app.Nowhere"
project no_main "com.example.app/com.example.app.NoMain"
run_app "$APP/no_main.exe"
expect_rc 1
expect_stderr_contains "Main method not found in class com.example.app.NoMain"

case_name "the module's own main class, read from its descriptor at build time"
project own "com.example.app"
"$TESSEL_TOOL" inspect "$APP/own.exe" | tr -s ' ' | grep -qF "2016 module_main_class com.example.app.Main" ||
  fail "inspect does not show the descriptor's main class"
run_app "$APP/own.exe" x
expect_rc 0
expect_stdout_contains "modapp: main in module com.example.app, named true"
expect_stdout_contains "modapp: args [x]"
expect_log_contains "--add-opens=com.example.app/com.example.app=ALL-UNNAMED"

case_name "a module path known only at run time: the descriptor is read when the module starts"
project late "com.example.greet" 'D1${TESSEL_EXEDIR}mods'
printf '%s' "$BUILD_OUT" | grep -qF "module com.example.greet is not in the module path beside the output" ||
  fail "no build warning about the module path: $BUILD_OUT"
run_app "$APP/late.exe" x
expect_rc 0
expect_stdout_contains "greet: main of com.example.greet args [x]"

case_name "at run time, a descriptor's main class in a package the module keeps to itself"
project hidden "com.example.app" 'D1${TESSEL_EXEDIR}mods'
run_app "$APP/hidden.exe"
expect_rc 1
expect_stderr_contains "tessel launcher: module com.example.app does not open the package of com.example.app.Main"
expect_stderr_contains "main_module (\"com.example.app/com.example.app.Main\")"
expect_stderr_lacks "	at "
[ "${STDOUT#*	at }" = "$STDOUT" ] || fail "a stack trace on standard output"

case_name "a module missing from the module path: the runtime's one-line reason, no stack trace"
project missing "com.example.missing"
run_app "$APP/missing.exe"
expect_rc 1
expect_stdout_contains "Error occurred during initialization of boot layer"
expect_stdout_contains "java.lang.module.FindException: Module com.example.missing not found"
expect_stderr_lacks "	at "
[ "${STDOUT#*	at }" = "$STDOUT" ] || fail "a stack trace on standard output"

case_name "the runtime ends while resolving modules: the launcher says which module"
TESSEL_JVM_CREATE_ABORT=1 run_app "$APP/missing.exe"
expect_rc 1
expect_stderr_contains "The Java runtime stopped while starting the module com.example.missing."
expect_log_contains "the virtual machine stopped while starting"

case_name "main_module and main_class together are refused at build time"
write_project both <<'EOF'
[java]
main_module = "com.example.app"
main_class = "com.example.app.Main"
EOF
expect_build_refused "$E2E_DIR/both.toml" "$APP/both.exe" "java.main_class: with main_module"

finish
