#include "instance/instance_pid.h"

#include "util/handles.h"

namespace tessel {

LONG writeInstancePid(const char* valueName) noexcept {
  unique_hkey key;
  LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, kInstancePidKey, 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(),
                                nullptr);
  if (status != ERROR_SUCCESS) return status;
  DWORD pid = GetCurrentProcessId();
  return RegSetValueExA(key.get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&pid),
                        sizeof pid);
}

DWORD readInstancePid(const char* valueName) noexcept {
  unique_hkey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kInstancePidKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return 0;
  DWORD pid = 0;
  DWORD size = sizeof pid;
  LONG status = RegQueryValueExA(key.get(), valueName, nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(&pid), &size);
  return status == ERROR_SUCCESS && size == sizeof pid ? pid : 0;
}

DWORD waitForInstancePid(const char* valueName, int retries, DWORD pauseMs) noexcept {
  DWORD pid = readInstancePid(valueName);
  for (int attempt = 0; pid == 0 && attempt < retries; ++attempt) {
    Sleep(pauseMs);
    pid = readInstancePid(valueName);
  }
  return pid;
}

}  // namespace tessel
