#include "instance/instance_pid.h"

#include <cstring>
#include <utility>

#include "diagnostics/log.h"
#include "util/bounded_text.h"
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

void forgetInstancePid(const char* valueName) noexcept {
  if (readInstancePid(valueName) != GetCurrentProcessId()) return;
  unique_hkey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kInstancePidKey, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
    RegDeleteValueA(key.get(), valueName);
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

LONG writeInstanceChannel(const char* valueName, const char* channel) noexcept {
  unique_hkey key;
  LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, kInstanceChannelKey, 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(),
                                nullptr);
  if (status != ERROR_SUCCESS) return status;
  return RegSetValueExA(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(channel),
                        static_cast<DWORD>(std::strlen(channel) + 1));
}

bool readInstanceChannel(const char* valueName, char* out, size_t capacity) noexcept {
  out[0] = 0;
  unique_hkey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kInstanceChannelKey, 0, KEY_READ, key.put()) !=
      ERROR_SUCCESS)
    return false;
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(capacity - 1);
  if (RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(out),
                       &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    out[0] = 0;
    return false;
  }
  out[size < capacity ? size : capacity - 1] = 0;
  return true;
}

namespace {

// The token user of the process equals this process's: another user's process (a terminal
// server, the Global\ namespace) is never an instance to hand anything to.
bool runsAsThisUser(HANDLE process) {
  unique_handle own, other;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, own.put()) ||
      !OpenProcessToken(process, TOKEN_QUERY, other.put()))
    return false;
  BYTE ownUser[256], otherUser[256];
  DWORD size = 0;
  if (!GetTokenInformation(own.get(), TokenUser, ownUser, sizeof ownUser, &size) ||
      !GetTokenInformation(other.get(), TokenUser, otherUser, sizeof otherUser, &size))
    return false;
  return EqualSid(reinterpret_cast<TOKEN_USER*>(ownUser)->User.Sid,
                  reinterpret_cast<TOKEN_USER*>(otherUser)->User.Sid) != 0;
}

// Full, long form: every spelling of one path (case aside) comes out alike.
bool normalisedPath(const wchar_t* path, wchar_t* out, DWORD capacity) {
  wchar_t full[kPathCapacity];
  DWORD n = GetFullPathNameW(path, kPathCapacity, full, nullptr);
  if (n == 0 || n >= kPathCapacity) return false;
  n = GetLongPathNameW(full, out, capacity);
  if (n == 0 || n >= capacity) return copyWhole(out, capacity, full);
  return true;
}

// The same file, however it was reached (8.3 names, links): volume and file index agree.
bool sameFile(const wchar_t* a, const wchar_t* b) {
  BY_HANDLE_FILE_INFORMATION infoA, infoB;
  for (auto [path, info] : {std::pair{a, &infoA}, std::pair{b, &infoB}}) {
    unique_hfile file(CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file || !GetFileInformationByHandle(file.get(), info)) return false;
  }
  return infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
         infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
}

}  // namespace

bool isRunningInstanceOfThisExecutable(DWORD processId) noexcept {
  if (processId == 0 || processId == GetCurrentProcessId()) return false;
  unique_handle process(
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId));
  if (!process || WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT) return false;
  if (!runsAsThisUser(process.get())) return false;
  wchar_t image[kPathCapacity];
  DWORD size = kPathCapacity;
  if (!QueryFullProcessImageNameW(process.get(), 0, image, &size)) return false;
  wchar_t own[kPathCapacity];
  DWORD n = GetModuleFileNameW(nullptr, own, kPathCapacity);
  if (n == 0 || n >= kPathCapacity) return false;
  wchar_t imageForm[kPathCapacity];
  wchar_t ownForm[kPathCapacity];
  if (normalisedPath(image, imageForm, kPathCapacity) && normalisedPath(own, ownForm, kPathCapacity) &&
      CompareStringOrdinal(imageForm, -1, ownForm, -1, TRUE) == CSTR_EQUAL)
    return true;
  return sameFile(image, own);
}

DWORD waitForInstancePid(const char* valueName, int retries, DWORD pauseMs,
                         bool (*accept)(DWORD)) noexcept {
  DWORD rejected = 0;
  for (int attempt = 0;; ++attempt) {
    DWORD pid = readInstancePid(valueName);
    if (pid != 0 && accept(pid)) return pid;
    // An earlier run's id, or the first instance has not yet written its own.
    if (pid != 0 && pid != rejected) {
      logLine("recorded process %d is not a running instance of this executable",
              static_cast<int>(pid));
      rejected = pid;
    }
    if (attempt >= retries) return 0;
    Sleep(pauseMs);
  }
}

}  // namespace tessel
