// Our own terminate handler and failure hooks of the standard library. The library's own
// versions print a demangled message through stdio or build exception objects with their
// strings, and bring the demangler, a printf implementation and the prebuilt string
// instances with them: a large share of the executable's size. The launcher is built
// without catching anything, so every one of these ends the process, with the internal-error
// message like every other failure the launcher decides.
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <new>

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
  // No allocation on the way out: the failure may be the lack of memory.
  static wchar_t wideCode[16];
  size_t i = 0;
  for (; code[i] && i + 1 < 16; ++i) wideCode[i] = static_cast<wchar_t>(code[i]);
  wideCode[i] = 0;
  fatalMessageW(key::MsgInternalError, wideCode);
}

}  // namespace tessel

using tessel::internalFailure;

namespace __gnu_cxx {
// Declared by <exception> without [[noreturn]], so not marked here; it does not return.
void __verbose_terminate_handler() {
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

// The launcher is built without exceptions: an allocation that fails ends the process here,
// with the message the uncaught exception used to bring through the terminate handler, and
// the nothrow forms answer null as before.
// Keeps the exception machinery (throw, personality, type information) out of the executable.
void* operator new(std::size_t size) {
  if (void* memory = std::malloc(size ? size : 1)) return memory;
  internalFailure(tessel::kFailureTerminate, "terminate");
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

// Guards of function-local statics: the library's own bring a pthread implementation with
// them. A guard's first byte says "done", its second "being initialised"; a second thread
// waits (briefly: these are small constructors) until the first one is done or gave up.
extern "C" int __cxa_guard_acquire(unsigned long long* guard) {
  unsigned char* bytes = reinterpret_cast<unsigned char*>(guard);
  for (;;) {
    if (__atomic_load_n(&bytes[0], __ATOMIC_ACQUIRE)) return 0;
    unsigned char idle = 0;
    if (__atomic_compare_exchange_n(&bytes[1], &idle, 1, false, __ATOMIC_ACQUIRE,
                                    __ATOMIC_RELAXED))
      return 1;
    SwitchToThread();
  }
}
extern "C" void __cxa_guard_release(unsigned long long* guard) {
  unsigned char* bytes = reinterpret_cast<unsigned char*>(guard);
  __atomic_store_n(&bytes[0], 1, __ATOMIC_RELEASE);
}
extern "C" void __cxa_guard_abort(unsigned long long* guard) {
  unsigned char* bytes = reinterpret_cast<unsigned char*>(guard);
  __atomic_store_n(&bytes[1], 0, __ATOMIC_RELEASE);
}
