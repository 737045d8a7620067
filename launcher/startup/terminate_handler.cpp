// Our own terminate handler and failure hooks of the standard library. The library's own
// versions print a demangled message through stdio or build exception objects with their
// strings, and bring the demangler, a printf implementation and the prebuilt string
// instances with them: a large share of the executable's size. The launcher is built
// without catching anything, so every one of these ends the process, with the internal-error
// message like every other failure the launcher decides.
#include <windows.h>

#include <atomic>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "startup/internal_failure.h"
#include "util/bounded_text.h"

namespace tessel {
namespace {

std::atomic<bool> failing{false};

}  // namespace

void internalFailure(const char* code, const char* what) {
  // A failure while the first one is being reported (the message box itself out of memory,
  // a second thread) ends the process at once.
  if (failing.exchange(true)) ExitProcess(kSecondFailureExitCode);
  logError("standard library failure %s: %s", code, what ? what : "");
  // Before the configuration is read its message texts are missing: the built-in one then.
  static char text[kPathCapacity];
  static char shown[kPathCapacity];
  if (configString(key::MsgInternalError, text, kPathCapacity) == 0)
    copyText(text, kPathCapacity, defaultMessageText(key::MsgInternalError));
  fillPlaceholder(shown, kPathCapacity, text, code);
  fatalError(shown);
}

}  // namespace tessel

using tessel::internalFailure;

namespace __gnu_cxx {
[[noreturn]] void __verbose_terminate_handler() {
  internalFailure(tessel::kFailureTerminate, "terminate");
}
}  // namespace __gnu_cxx

namespace std {
[[noreturn]] void __throw_bad_alloc() { internalFailure(tessel::kFailureMemory, "bad_alloc"); }
[[noreturn]] void __throw_bad_array_new_length() {
  internalFailure(tessel::kFailureMemory, "bad_array_new_length");
}
[[noreturn]] void __throw_length_error(const char* what) {
  internalFailure(tessel::kFailureLength, what);
}
[[noreturn]] void __throw_logic_error(const char* what) {
  internalFailure(tessel::kFailureLength, what);
}
[[noreturn]] void __throw_out_of_range_fmt(const char* what, ...) {
  internalFailure(tessel::kFailureLength, what);
}
}  // namespace std
