#include "splash/runtime_splash.h"

#include <windows.h>

#include <atomic>

#include "diagnostics/log.h"
#include "files/runtime_home.h"
#include "util/bounded_text.h"
#include "splash/splash_state.h"
#include "splash/splash_window.h"
#include "vm/java_vm.h"

namespace tessel {

namespace {

using SplashVoidFunction = void (*)();
using SplashLoadMemoryFunction = int (*)(void*, int);

SplashVoidFunction splashCloseFunction;
// The library frees its splash on the first close; a second error dialog must not close it again.
std::atomic<bool> runtimeSplashClosed{false};

void* procedure(HMODULE library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(library, name));
}

}  // namespace

void showRuntimeSplash() {
  if (splashStarted.load()) return;
  char path[kPathCapacity];
  if (!formatText(path, kPathCapacity, "%s\\bin\\splashscreen.dll", runtimeHome)) {
    logError("Could not load splashscreen.dll");
    return;
  }
  logLine("loading splashscreen dll from %s", path);
  HMODULE library = LoadLibraryA(path);  // kept for the process's life, like the runtime
  if (!library) {
    logError("Could not load splashscreen.dll");
    return;
  }
  auto close = reinterpret_cast<SplashVoidFunction>(procedure(library, "SplashClose"));
  auto init = reinterpret_cast<SplashVoidFunction>(procedure(library, "SplashInit"));
  auto load = reinterpret_cast<SplashLoadMemoryFunction>(procedure(library, "SplashLoadMemory"));
  if (!close || !init || !load) {
    logError("Could not find functions in splashscreen.dll");
    return;
  }
  init();
  HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(kSplashResource),
                                 MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
  void* data = loaded ? LockResource(loaded) : nullptr;
  int size = data ? static_cast<int>(SizeofResource(nullptr, resource)) : 0;
  int result = load(data, size);
  logLine("splash load memory returned %d (%p, %p, %d)", result, static_cast<void*>(resource),
          data, size);
  splashCloseFunction = close;
  splashStarted.store(true);
}

void hideRuntimeSplash() {
  if (splashStarted.load() && splashCloseFunction && !runtimeSplashClosed.exchange(true))
    splashCloseFunction();
}

}  // namespace tessel
