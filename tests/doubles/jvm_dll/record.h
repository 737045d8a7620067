// Recording and scripting of the jvm.dll double, both driven by environment variables:
//   TESSEL_JVM_RECORD=file   one line per JNI call the launcher makes (UTF-8)
//   TESSEL_JVM_SCRIPT=file   "class.method=v1|v2|..." return values of static methods, used
//                            in order, the last one repeating ("null" for a null object)
//   TESSEL_JVM_MISSING=a;b   classes ("com/x/Y") or methods ("com/x/Y.name") that are absent
//   TESSEL_JVM_THROWS=a;b    static methods ("com/x/Y.name") that leave an exception pending
//   TESSEL_JVM_FAIL=a;b      JNI functions that fail: NewObjectArray, NewString
//   TESSEL_JVM_CREATE_RESULT=n  JNI_CreateJavaVM returns n (and creates nothing) when non-zero
//   TESSEL_JVM_MAIN_SLEEP_MS=n  every "main" blocks that long
//   TESSEL_JVM_MAIN_WINDOW_MS=n  "main" shows a window after n ms (kept until the sleep ends)
//   TESSEL_JVM_MAIN_WINDOW_MINIMISED=1  that window is shown minimised
//   TESSEL_JVM_MAIN_ENDS=a,b,...  how "main" of start N ends (N from -Dtessel.restartCount, 0
//                            without it; the last entry repeats): a number n as System.exit(n)
//                            does (the "exit" hook, then the end), "crash" by an access
//                            violation, "return" by returning
//   TESSEL_JVM_REAL=1        "main" runs in the machine's OpenJDK (real_java.cpp)
//   TESSEL_JVM_DESTROY_LIMIT_MS=n  how long DestroyJavaVM waits for threads attached as
//                            non-daemons (default 20000); then it records "DestroyJavaVM:
//                            non-daemon thread still attached" and ends the process with 98
// As in a real runtime, a thread that calls in after DestroyJavaVM is blocked for good (and
// the record says "<call> after DestroyJavaVM").
#pragma once
#include <string>

namespace jvmdouble {

// As a runtime does at System.exit: the "exit" hook of JNI_CreateJavaVM (when given) with the
// code, then the end of the process with it.
[[noreturn]] void exitAsRuntime(int code);
// As a runtime that crashed: an access violation nobody handles.
[[noreturn]] void crashAsRuntime();

// Appends one line to the record file (no-op without TESSEL_JVM_RECORD); thread-safe.
void record(const char* format, ...) __attribute__((format(ms_printf, 1, 2)));
// Records "unexpected call N" and ends the process with exit code 99.
[[noreturn]] void unexpectedCall(int slot);

std::string environment(const char* name);
// True when `item` is one of the ";"-separated entries of the variable.
bool listed(const char* variable, const std::string& item);
// The next scripted return value of "class.method"; false when none is scripted.
bool scriptedValue(const std::string& method, std::string& value);

std::string toUtf8(const std::u16string& text);
// Narrow text in the ANSI code page to UTF-8.
std::string ansiToUtf8(const std::string& text);

}  // namespace jvmdouble
