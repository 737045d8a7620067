#include "files/launch_cleanup.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/current_user_security.h"
#include "util/handles.h"

namespace tessel {
namespace {

// Deeper trees than the application is likely to write are left for the next try.
constexpr int kMaxDepth = 32;

unique_hfile launchLock;

bool isHex(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}
bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The lock file's name is ASCII.
std::wstring lockName() {
  const char* name = kLaunchLockName;
  return std::wstring(name, name + std::strlen(name));
}

std::wstring joined(const std::wstring& dir, const wchar_t* name) {
  if (!dir.empty() && dir.back() == L'\\') return dir + name;
  return dir + L'\\' + name;
}

bool deleteFile(const std::wstring& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  return DeleteFileW(path.c_str()) != 0;
}

// Removes what `dir` holds, except a top-level entry named `keep`; true when nothing else
// is left. Links are removed themselves, never followed.
bool removeContents(const std::wstring& dir, const wchar_t* keep, int depth) {
  WIN32_FIND_DATAW entry;
  unique_hfind find(FindFirstFileW(joined(dir, L"*").c_str(), &entry));
  if (!find) return GetLastError() == ERROR_FILE_NOT_FOUND;
  bool all = true;
  do {
    const wchar_t* name = entry.cFileName;
    if (std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0) continue;
    if (keep && _wcsicmp(name, keep) == 0) continue;
    const std::wstring path = joined(dir, name);
    const DWORD attributes = entry.dwFileAttributes;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      all = deleteFile(path, attributes) && all;
      continue;
    }
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      if (depth >= kMaxDepth || !removeContents(path, nullptr, depth + 1)) {
        all = false;
        continue;
      }
    }
    if (attributes & FILE_ATTRIBUTE_READONLY)
      SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    all = RemoveDirectoryW(path.c_str()) && all;
  } while (FindNextFileW(find.get(), &entry));
  return all;
}

// True when the lock file can be opened for deletion: its launch has ended. A missing lock
// (a launch between making its directory and its lock, or no launch of ours) counts as held.
bool lockIsFree(const std::wstring& dir) {
  const std::wstring lock = joined(dir, lockName().c_str());
  unique_hfile file(CreateFileW(lock.c_str(), DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid();
}

// "tsl1A2B.tmp" for "tsl1A2B.tmp_dir1733580000": removed when it is an empty file.
void removeEmptyCompanion(const std::wstring& dir) {
  const size_t cut = dir.rfind(L"_dir");
  if (cut == std::wstring::npos) return;
  const std::wstring companion = dir.substr(0, cut);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(companion.c_str(), GetFileExInfoStandard, &data)) return;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || data.nFileSizeHigh || data.nFileSizeLow)
    return;
  DeleteFileW(companion.c_str());
}

bool removeLaunchDirW(const std::wstring& dir) {
  const std::wstring name = lockName();
  if (!removeContents(dir, name.c_str(), 0)) return false;
  const std::wstring lock = joined(dir, name.c_str());
  if (!DeleteFileW(lock.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
  if (!RemoveDirectoryW(dir.c_str())) return false;
  removeEmptyCompanion(dir);
  return true;
}

}  // namespace

bool isLaunchDirName(const wchar_t* name) noexcept {
  if (std::wcsncmp(name, L"tsl", 3) != 0) return false;
  const wchar_t* p = name + 3;
  int digits = 0;
  while (isHex(*p) && digits < 6) ++p, ++digits;
  if (digits == 0 || digits > 5) return false;
  if (_wcsnicmp(p, L".tmp", 4) == 0) p += 4;
  if (std::wcsncmp(p, L"_dir", 4) != 0) return false;
  p += 4;
  if (!isDigit(*p)) return false;
  while (isDigit(*p)) ++p;
  return *p == 0;
}

bool lockLaunchDir(const wchar_t* dir) {
  const std::wstring lock = joined(dir, lockName().c_str());
  // Read sharing only: while this handle is open nobody can delete the file.
  launchLock.reset(createPrivateFile(lock.c_str(), FILE_SHARE_READ));
  if (launchLock) return true;
  DWORD error = GetLastError();
  logError("could not create the lock file %S (last error %d)", lock.c_str(),
           static_cast<int>(error));
  return false;
}

void releaseLaunchLock() { launchLock.reset(); }

bool removeLaunchDir(const wchar_t* dir) { return removeLaunchDirW(dir); }

int removeEndedLaunchDirs(const wchar_t* tempDir) {
  const std::wstring base = tempDir;
  if (base.empty()) return 0;
  WIN32_FIND_DATAW entry;
  unique_hfind find(FindFirstFileW(joined(base, L"tsl*_dir*").c_str(), &entry));
  if (!find) return 0;
  int removed = 0;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      continue;
    if (!isLaunchDirName(entry.cFileName)) continue;
    const std::wstring dir = joined(base, entry.cFileName);
    if (!lockIsFree(dir)) continue;
    if (removeLaunchDirW(dir)) {
      ++removed;
    } else {
      logLine("could not remove the ended launch's directory %S", dir.c_str());
    }
  } while (FindNextFileW(find.get(), &entry));
  if (removed > 0) logLine("removed %d directories of ended launches", removed);
  return removed;
}

}  // namespace tessel
