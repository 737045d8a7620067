#include "files/temp_dir.h"

#include <windows.h>

#include <cstring>
#include <ctime>
#include <cwchar>
#include <string>

#include "config_keys.h"
#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "files/launch_cleanup.h"
#include "util/current_user_security.h"
#include "util/handles.h"
#include "util/paths.h"

namespace tessel {

wchar_t launchTempDir[kPathCapacity];
bool tempFallbacksEnabled = true;

namespace {

constexpr int kLaunchDirAttempts = 10;
constexpr int kFallbackNameAttempts = 100;

// The wide Win32 calls under short names, for the shared fallback algorithm.
DWORD systemTempPath(wchar_t* out) { return GetTempPathW(kPathCapacity, out); }
DWORD environmentValue(const char* name, wchar_t* out, DWORD capacity) {
  wchar_t wideName[32];
  size_t i = 0;
  for (; name[i] && i + 1 < 32; ++i) wideName[i] = static_cast<unsigned char>(name[i]);
  wideName[i] = 0;
  return GetEnvironmentVariableW(wideName, out, capacity);
}
BOOL makeDirectory(const wchar_t* dir) { return CreateDirectoryW(dir, nullptr); }
DWORD longForm(const wchar_t* path, wchar_t* out) {
  return GetLongPathNameW(path, out, kPathCapacity);
}
UINT windowsDirectory(wchar_t* out) { return GetWindowsDirectoryW(out, kPathCapacity); }
bool usable(const wchar_t* dir) { return isUsableTempDirW(dir); }
const wchar_t* findChar(const wchar_t* s, wchar_t c) { return std::wcschr(s, c); }
void logHome(const wchar_t* home) { logLine("No temp dir defined. Using home %S", home); }

template <typename C>
bool copyAscii(C* out, const char* text) {
  size_t n = std::strlen(text);
  if (n >= kPathCapacity) return false;
  for (size_t i = 0; i <= n; ++i) out[i] = static_cast<C>(static_cast<unsigned char>(text[i]));
  return true;
}

// HOMEDRIVE followed by HOMEPATH in what remains of the buffer; no trailing backslash.
template <typename C>
void homeDirectory(C* out) {
  out[0] = 0;
  DWORD n = environmentValue("HOMEDRIVE", out, kPathCapacity);
  if (n >= kPathCapacity) n = 0;
  out[n] = 0;
  DWORD rest = static_cast<DWORD>(kPathCapacity - n);
  DWORD m = environmentValue("HOMEPATH", out + n, rest);
  if (m >= rest) m = 0;
  out[n + m] = 0;
}

// The fallback directories in their order; the first usable one goes to `out`.
template <typename C>
bool fallbackDirectory(C* out) {
  C windows[kPathCapacity];
  UINT w = windowsDirectory(windows);
  if (w == 0 || w >= kPathCapacity) windows[0] = 0;
  if (windows[0]) {
    copyText(out, kPathCapacity, windows);
    C suffix[8];
    copyAscii(suffix, "\\temp");
    if (appendWhole(out, kPathCapacity, suffix) && usable(out)) return true;
  }
  for (const char* fixed : {"c:\\temp", "c:\\tmp"}) {
    copyAscii(out, fixed);
    if (usable(out)) return true;
  }
  if (windows[0]) {
    copyText(out, kPathCapacity, windows);
    if (usable(out)) return true;
  }
  copyAscii(out, "c:\\");
  if (!usable(out)) return false;
  copyAscii(out, "c:\\tmp");
  makeDirectory(out);  // may exist already; the probe decides
  return usable(out);
}


// The system's own directory, wide; `?` can only come from the path itself.
void tempPathIn(wchar_t* out) {
  DWORD n = systemTempPath(out);
  DWORD error = GetLastError();
  logLine("GetTempPath returned %d (last error %d)", static_cast<int>(n), static_cast<int>(error));
  if (n == 0 || n >= kPathCapacity) out[0] = 0;  // a length beyond the buffer wrote nothing
  if (!out[0]) {
    homeDirectory(out);
    logHome(out);
  } else {
    logLine("make dir returned %d", makeDirectory(out) ? 0 : -1);
  }
  wchar_t work[kPathCapacity];
  DWORD m = longForm(out, work);
  const wchar_t* checked = (m == 0 || m >= kPathCapacity) ? out : work;
  if (!findChar(checked, L'?')) return;
  if (!fallbackDirectory(out)) fatalMessageW(key::MsgNotPowerUser, nullptr);
}

// A seed that differs between processes and between calls within the same second.
uint32_t unpredictableSeed() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  uint64_t x = static_cast<uint64_t>(counter.QuadPart) ^
               (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^ GetTickCount();
  x ^= x >> 33;  // 64-bit finaliser mix
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53ULL;
  x ^= x >> 33;
  return static_cast<uint32_t>(x);
}

}  // namespace

void removeLaunchTempDir() {
  if (!launchTempDir[0]) return;
  releaseLaunchLock();
  logLine("removing %S", launchTempDir);
  if (!removeLaunchDir(launchTempDir)) logLine("could not remove all of %S", launchTempDir);
}

void tempPathW(wchar_t* out) { tempPathIn(out); }

void tempPath(char* out) {
  // The same directory by a narrow name: its long form where the code page holds it, else its
  // 8.3 form (the user's own directory before any that other users share), else a fallback.
  wchar_t wide[kPathCapacity];
  tempPathIn(wide);
  std::string narrow;
  if (!narrowPathOf(wide, narrow)) {
    if (!fallbackDirectory(wide) || !narrowPathOf(wide, narrow))
      fatalMessageW(key::MsgNotPowerUser, nullptr);
  }
  copyWhole(out, kPathCapacity, narrow.c_str());
}

bool isUsableTempDir(const char* dir) {
  char probe[kPathCapacity];
  // Always one backslash more, also after "c:\": the doubled one is harmless.
  if (!formatText(probe, kPathCapacity, "%s\\tsl_w_testdir", dir)) return false;
  RemoveDirectoryA(probe);  // left over from an earlier run
  if (!CreateDirectoryA(probe, nullptr)) return false;
  bool found = fileExists(probe);
  RemoveDirectoryA(probe);
  return found;
}

bool isUsableTempDirW(const wchar_t* dir) {
  wchar_t probe[kPathCapacity];
  if (!formatText(probe, kPathCapacity, L"%ls\\tsl_w_testdir", dir)) return false;
  RemoveDirectoryW(probe);
  if (!CreateDirectoryW(probe, nullptr)) return false;
  bool found = fileExistsW(probe);
  RemoveDirectoryW(probe);
  return found;
}

namespace {

// A new empty file "tsl<hex>.tmp" in `dir`, or "tsl<n>" when the system refuses to name one.
bool newTempFileIn(const wchar_t* dir, wchar_t* out) {
  // GetTempFileNameW writes at most MAX_PATH characters, well within kPathCapacity. Some
  // implementations report a name without having made the file (in a read-only directory):
  // only a file that exists counts.
  if (GetTempFileNameW(dir, L"tsl", 0, out) != 0) {
    if (fileExistsW(out)) return true;
    SetLastError(ERROR_WRITE_PROTECT);
  }
  DWORD error = GetLastError();
  logLine("GetTempFileName failed (last error %d)", static_cast<int>(error));
  return claimTempFileName(dir, unpredictableSeed(), out);
}

// The user's own temporary directory when the runtime can be given a narrow name for it (its
// long or its 8.3 form), before any directory that other users share.
bool ownTempDirectory(wchar_t* out) {
  tempPathW(out);
  std::string narrow;
  if (narrowPathOf(out, narrow)) return true;
  logLine("the temp dir %S has no narrow name; trying the fallback directories", out);
  return tempFallbacksEnabled && fallbackDirectory(out);
}

// A new empty file in that directory or, when it cannot be written, in the first usable
// fallback; `out` empty when none could be made.
void createTempFileNameW(wchar_t* out) {
  wchar_t dir[kPathCapacity];
  out[0] = 0;
  if (!ownTempDirectory(dir)) return;
  logLine("tempPath is %S", dir);
  if (!newTempFileIn(dir, out)) {
    logLine("no temporary file in %S, trying the fallback directories", dir);
    if (!(tempFallbacksEnabled && fallbackDirectory(dir) && newTempFileIn(dir, out))) out[0] = 0;
  }
  logLine("tempFile is %S", out);
}

}  // namespace

bool claimTempFileName(const wchar_t* dir, uint32_t first, wchar_t* out) {
  size_t n = std::wcslen(dir);
  const wchar_t* separator = (n > 0 && dir[n - 1] == L'\\') ? L"" : L"\\";
  for (int attempt = 0; attempt < kFallbackNameAttempts; ++attempt) {
    int number = static_cast<int>((first + static_cast<uint32_t>(attempt)) & 0x7FFF);
    if (!formatText(out, kPathCapacity, L"%ls%lstsl%d", dir, separator, number)) break;
    unique_hfile file(CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return true;
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      logError("could not create temporary file %S (last error %d)", out,
               static_cast<int>(error));
      break;
    }
  }
  out[0] = 0;
  return false;
}

void createTempFileName(char* out) {
  wchar_t wide[kPathCapacity];
  createTempFileNameW(wide);
  std::string narrow;
  if (!wide[0] || !narrowPathOf(wide, narrow) || !copyWhole(out, kPathCapacity, narrow.c_str()))
    out[0] = 0;
}

std::string narrowLaunchTempDir() {
  std::string narrow;
  if (launchTempDir[0] && !narrowPathOf(launchTempDir, narrow)) narrow.clear();
  return narrow;
}

void createLaunchTempDir() {
  bool cleaned = false;
  DWORD error = ERROR_INVALID_NAME;
  wchar_t file[kPathCapacity];
  for (int attempt = 0; attempt < kLaunchDirAttempts; ++attempt) {
    createTempFileNameW(file);
    // Ended launches' directories go from the directory this launch's own goes into.
    if (file[0] && !cleaned) {
      wchar_t base[kPathCapacity];
      copyText(base, kPathCapacity, file);
      if (wchar_t* slash = std::wcsrchr(base, L'\\')) slash[1] = 0;
      removeEndedLaunchDirs(base);
      cleaned = true;
    }
    bool named = file[0] && formatText(launchTempDir, kPathCapacity, L"%ls_dir%d", file,
                                       static_cast<int>(std::time(nullptr)));
    if (!named) launchTempDir[0] = 0;
    logLine("Temp dir3: %S", launchTempDir);
    error = ERROR_INVALID_NAME;
    if (named) {
      // Owner-only, and never one that exists: in a shared fallback directory another user
      // could have made it first, and every archive in it joins the class path.
      if (createPrivateDirectory(launchTempDir)) return;
      error = GetLastError();
      DeleteFileW(file);  // the empty name-holder of a directory that was never made
    } else if (!file[0]) {
      error = ERROR_WRITE_PROTECT;  // no directory could take even an empty file
    }
    logLine("Could not create dir (%d)", static_cast<int>(error));
    if (!file[0]) break;  // the same directories again would refuse again
  }
  launchTempDir[0] = 0;
  // Say what happened: which directory refused, and why.
  wchar_t dir[kPathCapacity];
  tempPathW(dir);
  wchar_t text[kPathCapacity];
  formatText(text, kPathCapacity,
             L"The temporary directory %ls and its fallback directories cannot be written "
             L"(last error %d): the application's files cannot be unpacked.",
             dir, static_cast<int>(error));
  logError("%S", text);
  fatalErrorW(text);
}

}  // namespace tessel
