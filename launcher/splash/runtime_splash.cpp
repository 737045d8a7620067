#include "splash/runtime_splash.h"

#include <windows.h>

#include <atomic>

#include "diagnostics/log.h"
#include "files/runtime_home.h"
#include "util/bounded_text.h"
#include "splash/splash_scale.h"
#include "splash/splash_state.h"
#include "splash_variants.h"
#include "splash/splash_window.h"
#include "vm/java_vm.h"

namespace tessel {

namespace {

using SplashVoidFunction = void (*)();
using SplashLoadMemoryFunction = int (*)(void*, int);
using SplashSetScaleFactorFunction = void (*)(float);

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
  // The image made for the primary monitor's scale (the library centres it there), else the
  // nearest; the library learns the image's scale so that it shows it at its size in points.
  RECT desktop{};
  GetWindowRect(GetDesktopWindow(), &desktop);
  const int32_t percent = monitorScalePercent(POINT{desktop.left + (desktop.right - desktop.left) / 2,
                                                    desktop.top + (desktop.bottom - desktop.top) / 2});
  int32_t scales[kMaxSplashVariants + 1];
  const int32_t chosen = chooseSplashScale(
      scales, splashScalesOf(MAKEINTRESOURCEA(10) /* RT_RCDATA */, scales, kMaxSplashVariants + 1),
      percent);
  HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(splashVariantId(chosen)),
                                 MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (chosen != 100) {
    logLine("runtime splash image for %d %%: the one made for %d %%", static_cast<int>(percent),
            static_cast<int>(chosen));
    if (auto setScale = reinterpret_cast<SplashSetScaleFactorFunction>(
            procedure(library, "SplashSetScaleFactor")))
      setScale(static_cast<float>(chosen) / 100.0f);
  }
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
