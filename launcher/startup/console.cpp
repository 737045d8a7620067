#include "startup/console.h"

#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/handles.h"
#include "util/paths.h"
#include "files/expansion.h"

namespace tessel {

BOOL(WINAPI* exitWindowsCall)(UINT, DWORD) = ExitWindowsEx;
DWORD rebootDelayMilliseconds = 5000;

namespace {

// The current PATH at its full size; empty when unset.
std::string currentPath() {
  std::string value;
  DWORD need = GetEnvironmentVariableA("PATH", nullptr, 0);
  // The variable may change between the two calls; a few tries settle it.
  for (int attempt = 0; attempt < 4 && need > 0; ++attempt) {
    value.resize(need);
    DWORD got = GetEnvironmentVariableA("PATH", &value[0], need);
    if (got < need) {
      value.resize(got);
      return value;
    }
    need = got;
  }
  return std::string();
}

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

std::string nativeLibraryPathValue(const char* directories, const std::string& oldPath) {
  std::string value;
  const char* entry = directories;
  while (*entry) {
    const char* end = std::strchr(entry, ';');
    const size_t length = end ? static_cast<size_t>(end - entry) : std::strlen(entry);
    if (length > 0) {
      char name[kPathCapacity];
      char resolved[kPathCapacity];
      if (length < kPathCapacity) {
        std::memcpy(name, entry, length);
        name[length] = 0;
      }
      if (length < kPathCapacity && resolvePath(resolved, name)) {
        if (!value.empty()) value += ';';
        value += resolved;
      } else {
        logError("native lib dir entry too long, skipped");
      }
    }
    if (!end) break;
    entry = end + 1;
  }
  if (!value.empty() && value.back() != ';') value += ';';
  value += oldPath;
  return value;
}

void addNativeLibraryPath() {
  char directories[kPathCapacity];
  configString(key::NativeLibraryDirectories, directories, kPathCapacity);
  logLine("native lib dir is %s", directories);
  expandVariablesNarrow(directories, kPathCapacity);
  const std::string value = nativeLibraryPathValue(directories, currentPath());
  if (SetEnvironmentVariableA("PATH", value.c_str())) {
    logLine("Setting PATH (native libs) %s", value.c_str());
  } else {
    DWORD error = GetLastError();
    logLine("Setting PATH (native libs) %s failed with error %d", value.c_str(),
            static_cast<int>(error));
  }
  // The C runtime keeps its own copy of the environment.
  const std::string assignment = "PATH=" + value;
  _putenv(assignment.c_str());
}

}  // namespace tessel
