#include "util/paths.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "util/bounded_text.h"
#include "util/handles.h"

namespace tessel {
namespace {

bool pathsReady = false;
bool narrowPathNamesFile = true;
bool directoriesReady = false;
char narrowPath[kPathCapacity];
wchar_t widePath[kPathCapacity];
char narrowDir[kPathCapacity];
wchar_t wideDirLong[kPathCapacity];
wchar_t wideDirNarrowSafe[kPathCapacity];

constexpr size_t kNarrowRoom = 64;

bool endsWithExe(const char* path) {
  size_t n = std::strlen(path);
  return n >= 4 && _stricmp(path + n - 4, ".exe") == 0;
}

bool acceptableNarrow(const wchar_t* wide, char* out) {
  bool lossy = false;
  if (!toNarrow(wide, out, kPathCapacity, &lossy)) return false;
  return !lossy && std::strlen(out) >= 4 && endsWithExe(out);
}

void computePaths() {
  if (pathsReady) return;
  wchar_t module[kPathCapacity];
  DWORD n = GetModuleFileNameW(nullptr, module, kPathCapacity);
  if (n == 0 || n >= kPathCapacity) module[0] = 0;
  DWORD m = GetLongPathNameW(module, widePath, kPathCapacity);
  if (m == 0 || m >= kPathCapacity) copyText(widePath, kPathCapacity, module);
  // The narrow file functions take no path of MAX_PATH characters or more. A launcher path
  // that leaves too little room below that for the runtime and the files beside it is used
  // in its short form, like one the code page cannot hold.
  const bool holds = acceptableNarrow(widePath, narrowPath);
  if (!holds || std::strlen(narrowPath) + kNarrowRoom >= MAX_PATH) {
    wchar_t shortPath[kPathCapacity];
    DWORD s = GetShortPathNameW(widePath, shortPath, kPathCapacity);
    if (s == 0 || s >= kPathCapacity || !acceptableNarrow(shortPath, narrowPath)) {
      narrowPathNamesFile = holds;  // a long path the code page holds still names the file
      char moduleA[kPathCapacity];
      DWORD a = GetModuleFileNameA(nullptr, moduleA, kPathCapacity);
      if (a == 0 || a >= kPathCapacity) moduleA[0] = 0;
      DWORD sa = GetShortPathNameA(moduleA, narrowPath, kPathCapacity);
      if (sa == 0 || sa >= kPathCapacity) copyText(narrowPath, kPathCapacity, moduleA);
    }
  }
  collapseBackslashesW(widePath);
  collapseBackslashes(narrowPath);
  pathsReady = true;
}

template <typename C>
void cutAfterLastBackslash(C* path) {
  C* last = nullptr;
  for (C* p = path; *p; ++p)
    if (*p == '\\') last = p;
  if (last) last[1] = 0;
}

template <typename C>
bool isRelativeT(const C* path) {
  size_t n = 0;
  while (path[n]) ++n;
  if (n < 3) return true;
  if (path[0] == '"') {
    if (n < 4) return true;
    ++path;
  }
  if (path[1] == ':' && path[2] == '\\') return false;
  if (path[0] == '\\' && path[1] == '\\') return false;
  return true;
}

template <typename C>
bool isDriveRoot(const C* path) {
  if (!path[0] || !path[1]) return false;
  const C* rest = path + 1;
  static const C a[] = {':', '\\', 0};
  static const C b[] = {':', '\\', '.', 0};
  static const C c[] = {':', '\\', '.', '\\', '.', 0};
  auto eq = [](const C* x, const C* y) {
    while (*x && *x == *y) ++x, ++y;
    return *x == *y;
  };
  return eq(rest, a) || eq(rest, b) || eq(rest, c);
}

}  // namespace

unsigned fileApiCodePage() { return AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

bool toNarrow(const wchar_t* in, char* out, size_t capacity, bool* lossy) {
  bool replaced = false;
  std::string text = convertWide(in, std::wcslen(in), fileApiCodePage(), &replaced);
  if (lossy) *lossy = replaced;
  if ((text.empty() && in[0]) || !copyWhole(out, capacity, text.c_str())) {
    if (capacity) out[0] = 0;
    return false;
  }
  return true;
}

bool toWide(const char* in, wchar_t* out, size_t capacity) {
  int n = MultiByteToWideChar(fileApiCodePage(), 0, in, -1, out, static_cast<int>(capacity));
  if (n <= 0) {
    if (capacity) out[0] = 0;
    return false;
  }
  return true;
}

std::wstring wideText(const char* in) {
  int n = MultiByteToWideChar(fileApiCodePage(), 0, in, -1, nullptr, 0);
  if (n <= 1) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  n = MultiByteToWideChar(fileApiCodePage(), 0, in, -1, &out[0], n);
  out.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
  return out;
}

std::string narrowText(const wchar_t* in, bool* lossy) {
  return convertWide(in, std::wcslen(in), fileApiCodePage(), lossy);
}

bool narrowPathOf(const wchar_t* path, std::string& out) {
  bool lossy = false;
  out = narrowText(path, &lossy);
  if (!lossy) return true;
  out.clear();
  DWORD n = GetShortPathNameW(path, nullptr, 0);
  if (n == 0) return false;
  std::wstring shortPath(n, L'\0');
  n = GetShortPathNameW(path, &shortPath[0], n);
  if (n == 0 || n >= shortPath.size()) return false;
  shortPath.resize(n);
  out = narrowText(shortPath.c_str(), &lossy);
  if (lossy) out.clear();
  return !lossy;
}

const char* launcherPath() {
  computePaths();
  return narrowPath;
}

const wchar_t* launcherPathW() {
  computePaths();
  return widePath;
}

bool launcherPathIsNarrow() {
  computePaths();
  return narrowPathNamesFile;
}

void launcherDirectories() {
  if (directoriesReady) return;
  computePaths();
  DWORD n = GetFullPathNameA(narrowPath, kPathCapacity, narrowDir, nullptr);
  if (n == 0 || n >= kPathCapacity) copyText(narrowDir, kPathCapacity, narrowPath);
  cutAfterLastBackslash(narrowDir);
  n = GetFullPathNameW(widePath, kPathCapacity, wideDirLong, nullptr);
  if (n == 0 || n >= kPathCapacity) copyText(wideDirLong, kPathCapacity, widePath);
  cutAfterLastBackslash(wideDirLong);
  // The narrow directory read as text: converting it back gives the narrow bytes again.
  if (!toWide(narrowDir, wideDirNarrowSafe, kPathCapacity)) wideDirNarrowSafe[0] = 0;
  directoriesReady = true;
}

const char* launcherDirectory() {
  launcherDirectories();
  return narrowDir;
}

const wchar_t* launcherDirectoryW(PathForm form) {
  launcherDirectories();
  return form == PathForm::NarrowSafe ? wideDirNarrowSafe : wideDirLong;
}

bool isRelativePath(const char* path) { return isRelativeT(path); }
bool isRelativePathW(const wchar_t* path) { return isRelativeT(path); }

void collapseBackslashesW(wchar_t* path) {
  if (!path[0]) return;
  size_t write = 1;  // the first character is always kept
  for (size_t read = 1; path[read]; ++read) {
    wchar_t c = path[read];
    if (c == L'\\' && path[write - 1] == L'\\' && write - 1 != 0) continue;
    path[write++] = c;
  }
  path[write] = 0;
}

namespace {
// The converted form goes back into the caller's buffer only when nothing was lost and it fits
// where the original stood (the caller's capacity is only known to hold the original).
void replaceIfNotLonger(char* path, const char* converted, bool lossy) {
  size_t length = std::strlen(converted);
  if (!lossy && length <= std::strlen(path)) std::memcpy(path, converted, length + 1);
}
}  // namespace

void collapseBackslashes(char* path) {
  wchar_t wide[kPathCapacity];
  if (!toWide(path, wide, kPathCapacity)) return;
  collapseBackslashesW(wide);
  char back[kPathCapacity];
  bool lossy = true;
  if (toNarrow(wide, back, kPathCapacity, &lossy)) replaceIfNotLonger(path, back, lossy);
}

void lowerCasePathW(wchar_t* path) {
  for (; *path; ++path)
    if (*path >= L'A' && *path <= L'Z') *path = static_cast<wchar_t>(*path - L'A' + L'a');
}

void lowerCasePath(char* path) {
  wchar_t wide[kPathCapacity];
  if (!toWide(path, wide, kPathCapacity)) return;
  lowerCasePathW(wide);
  char back[kPathCapacity];
  bool lossy = true;
  if (toNarrow(wide, back, kPathCapacity, &lossy)) replaceIfNotLonger(path, back, lossy);
}

bool findFile(const char* name, uint64_t* lastWrite) {
  WIN32_FIND_DATAA data;
  unique_hfind find(FindFirstFileA(name, &data));
  if (!find) return false;
  if (lastWrite)
    *lastWrite = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                 data.ftLastWriteTime.dwLowDateTime;
  return true;
}

bool findFileW(const wchar_t* name, uint64_t* lastWrite) {
  WIN32_FIND_DATAW data;
  unique_hfind find(FindFirstFileW(name, &data));
  if (!find) return false;
  if (lastWrite)
    *lastWrite = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                 data.ftLastWriteTime.dwLowDateTime;
  return true;
}

bool fileExists(const char* path) { return isDriveRoot(path) || findFile(path); }
bool fileExistsW(const wchar_t* path) { return isDriveRoot(path) || findFileW(path); }

bool resolvePath(char* out, const char* path, const char* baseFile) {
  out[0] = 0;
  if (isRelativePath(path)) {
    if (baseFile) {
      DWORD n = GetFullPathNameA(baseFile, kPathCapacity, out, nullptr);
      if (n == 0 || n >= kPathCapacity) {
        out[0] = 0;
        return false;
      }
      cutAfterLastBackslash(out);
    } else {
      copyText(out, kPathCapacity, launcherDirectory());
    }
  }
  if (!appendWhole(out, kPathCapacity, path)) {
    out[0] = 0;
    return false;
  }
  collapseBackslashes(out);
  return true;
}

bool resolvePathW(wchar_t* out, const wchar_t* path, PathForm form, const wchar_t* baseFile) {
  out[0] = 0;
  if (isRelativePathW(path)) {
    if (baseFile) {
      DWORD n = GetFullPathNameW(baseFile, kPathCapacity, out, nullptr);
      if (n == 0 || n >= kPathCapacity) {
        out[0] = 0;
        return false;
      }
      cutAfterLastBackslash(out);
    } else {
      copyText(out, kPathCapacity, launcherDirectoryW(form));
    }
  }
  if (!appendWhole(out, kPathCapacity, path)) {
    out[0] = 0;
    return false;
  }
  collapseBackslashesW(out);
  return true;
}

bool absolutePath(char* out, const char* path, PathCase letterCase) {
  char resolved[kPathCapacity];
  if (!resolvePath(resolved, path)) {
    out[0] = 0;
    return false;
  }
  DWORD n = GetFullPathNameA(resolved, kPathCapacity, out, nullptr);
  if (n == 0 || n >= kPathCapacity) {
    out[0] = 0;
    return false;
  }
  if (letterCase == PathCase::Lower) lowerCasePath(out);
  collapseBackslashes(out);
  return true;
}

bool absolutePathW(wchar_t* out, const wchar_t* path, PathForm form) {
  wchar_t resolved[kPathCapacity];
  if (!resolvePathW(resolved, path, form)) {
    out[0] = 0;
    return false;
  }
  DWORD n = GetFullPathNameW(resolved, kPathCapacity, out, nullptr);
  if (n == 0 || n >= kPathCapacity) {
    out[0] = 0;
    return false;
  }
  collapseBackslashesW(out);
  return true;
}

bool resolvePathList(char* out, const char* list) {
  out[0] = 0;
  char work[kPathCapacity];
  if (!copyWhole(work, kPathCapacity, list)) return false;
  bool first = true;
  for (char* entry = work; *entry;) {
    char* end = std::strchr(entry, ';');
    if (end) *end = 0;
    if (*entry) {
      char resolved[kPathCapacity];
      if (!resolvePath(resolved, entry) || (!first && !appendWhole(out, kPathCapacity, ";")) ||
          !appendWhole(out, kPathCapacity, resolved)) {
        out[0] = 0;
        return false;
      }
      first = false;
    }
    if (!end) break;
    entry = end + 1;
  }
  return true;
}

std::unique_ptr<char[]> narrowCopy(const wchar_t* text) {
  std::string narrow = convertWide(text, std::wcslen(text), fileApiCodePage());
  std::unique_ptr<char[]> out(new char[narrow.size() + 1]);
  std::memcpy(out.get(), narrow.c_str(), narrow.size() + 1);
  return out;
}

}  // namespace tessel
