#include "startup/console.h"

#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/environment.h"
#include "util/handles.h"
#include "util/paths.h"
#include "files/expansion.h"

namespace tessel {

BOOL(WINAPI* exitWindowsCall)(UINT, DWORD) = ExitWindowsEx;
DWORD rebootDelayMilliseconds = 5000;

namespace {


bool isUnbound(FILE* stream) {
  const int descriptor = _fileno(stream);
  if (descriptor < 0) return true;
  const intptr_t handle = _get_osfhandle(descriptor);
  return handle == -1 || handle == -2 || handle == 0;
}

}  // namespace

void bindUnboundStreams() {
  if (isUnbound(stdin)) std::freopen("CONIN$", "r", stdin);
  if (isUnbound(stdout)) std::freopen("CONOUT$", "w", stdout);
  if (isUnbound(stderr)) std::freopen("CONOUT$", "w", stderr);
}

bool attachConsole() {
  // Looked up at run time so the launcher does not import it.
  using AttachCall = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto attach = kernel ? reinterpret_cast<AttachCall>(
                             reinterpret_cast<void*>(GetProcAddress(kernel, "AttachConsole")))
                       : nullptr;
  bool attached = false;
  if (attach) {
    attached = attach(ATTACH_PARENT_PROCESS) != 0;
    if (!attached) {
      DWORD error = GetLastError();
      attached = error == ERROR_ACCESS_DENIED;  // already has a console
    }
  }
  if (!attached && !AllocConsole()) return false;
  bindUnboundStreams();
  return true;
}

bool enableShutdownPrivilege() {
  unique_handle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
    return false;
  TOKEN_PRIVILEGES privileges{};
  if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
    return false;
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  BOOL adjusted = AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
  // Success with ERROR_NOT_ALL_ASSIGNED means the privilege was not granted.
  DWORD error = GetLastError();
  return adjusted && error == ERROR_SUCCESS;
}

void rebootSystem() {
  Sleep(rebootDelayMilliseconds);
  if (enableShutdownPrivilege()) exitWindowsCall(EWX_REBOOT, 0);
}

std::wstring nativeLibraryPathValue(const std::wstring& directories, const std::wstring& oldPath) {
  std::wstring value;
  size_t from = 0;
  while (from < directories.size()) {
    size_t end = directories.find(L';', from);
    if (end == std::wstring::npos) end = directories.size();
    if (end > from) {
      const std::wstring name = directories.substr(from, end - from);
      wchar_t resolved[kPathCapacity];
      if (name.size() < kPathCapacity &&
          resolvePathW(resolved, name.c_str(), PathForm::NarrowSafe)) {
        if (!value.empty()) value += L';';
        value += resolved;
      } else {
        logError("native lib dir entry too long, skipped");
      }
    }
    from = end + 1;
  }
  if (!value.empty() && value.back() != L';') value += L';';
  value += oldPath;
  return value;
}

void addNativeLibraryPath() {
  wchar_t directories[kPathCapacity];
  configStringW(key::NativeLibraryDirectories, directories, kPathCapacity);
  logLine("native lib dir is %S", directories);
  expandVariables(directories, kPathCapacity, PathForm::NarrowSafe);
  // PATH may hold names that no narrow code page can: it is read and written wide, and only
  // when something goes in front of it.
  const std::wstring oldPath = environmentValueW(L"PATH");
  const std::wstring value = nativeLibraryPathValue(directories, oldPath);
  if (value == oldPath) {
    logLine("PATH unchanged");
    return;
  }
  unsigned long error = 0;
  if (setEnvironmentValueW(L"PATH", value, true, &error))
    logLine("Setting PATH (native libs) %S", value.c_str());
  else
    logLine("Setting PATH (native libs) %S failed with error %d", value.c_str(),
            static_cast<int>(error));
}


}  // namespace tessel
