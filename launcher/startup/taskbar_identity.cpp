#include "startup/taskbar_identity.h"

#include <windows.h>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/log.h"

namespace tessel {
namespace {

constexpr size_t kMaxIdLength = 128;  // what Windows takes

}  // namespace

bool setAppUserModelId(AppUserModelIdSetter setter) {
  char id[kMaxIdLength + 2] = {};
  configString(key::AppUserModelId, id, sizeof id);
  if (!id[0]) return true;
  wchar_t wide[kMaxIdLength + 1] = {};
  size_t n = 0;
  for (; id[n] && n < kMaxIdLength; ++n) wide[n] = static_cast<unsigned char>(id[n]);
  if (id[n]) {
    logError("AppUserModelID longer than %d characters, not set", static_cast<int>(kMaxIdLength));
    return false;
  }
  if (!setter) {
    // Loaded only for an application that asks: shell32 is large and slow to load.
    HMODULE shell = LoadLibraryA("shell32.dll");  // kept for the process's life
    if (shell)
      setter = reinterpret_cast<AppUserModelIdSetter>(reinterpret_cast<void*>(
          GetProcAddress(shell, "SetCurrentProcessExplicitAppUserModelID")));
  }
  const HRESULT result = setter ? setter(wide) : E_NOTIMPL;
  if (FAILED(result)) {
    logError("could not set the AppUserModelID %s (0x%08lx)", id, static_cast<unsigned long>(result));
    return false;
  }
  logLine("AppUserModelID %s", id);
  return true;
}

}  // namespace tessel
