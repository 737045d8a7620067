// Hands a launch to the machine's OpenJDK: Wine starts Linux programs, so "main" runs in a
// real java process with the options given to JNI_CreateJavaVM (paths made Unix paths).
//   TESSEL_JVM_REAL_JAVA        the Linux java (default: OpenJDK 17 of Debian)
//   TESSEL_JVM_REAL_TIMEOUT_MS  how long to wait for it (default 300000)
#pragma once
#include <string>
#include <vector>

namespace jvmdouble {

// What the real runtime reported of an exception that ended main.
struct RealJavaFailure {
  int startFailure = -1;  // the runtime library's WinLauncher.startFailure; -1 when unknown
  std::string className;  // dotted; empty when nothing was reported
  bool hasMessage = false;
  std::u16string message;
};

// True when main returned; false when it ended with an exception (already printed; `failure`
// filled as far as reported). A System.exit of the application ends this process with the
// same code.
bool runInRealJava(const std::vector<std::string>& vmOptions, const std::string& launcherClass,
                   const std::vector<std::u16string>& arguments, RealJavaFailure& failure);

}  // namespace jvmdouble
