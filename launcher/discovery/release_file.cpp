#include "discovery/release_file.h"

#include <windows.h>

#include <cwchar>
#include <memory>

#include "util/bounded_text.h"
#include "util/handles.h"

namespace tessel {

namespace {

constexpr size_t kMaxReleaseFile = 64 * 1024;

}  // namespace

bool readReleaseVersion(const wchar_t* home, char* version, size_t capacity) {
  if (capacity > 0) version[0] = 0;
  wchar_t path[kPathCapacity];
  if (!formatText(path, kPathCapacity, L"%ls\\release", home)) return false;
  unique_hfile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::unique_ptr<char[]> text(new char[kMaxReleaseFile]);
  DWORD read = 0;
  if (!ReadFile(file.get(), text.get(), static_cast<DWORD>(kMaxReleaseFile), &read, nullptr))
    return false;
  return parseReleaseVersion(text.get(), read, version, capacity);
}

bool runtimeHomeOfExecutable(const wchar_t* executable, wchar_t* home) {
  wchar_t directory[kPathCapacity];
  if (!copyWhole(directory, kPathCapacity, executable)) return false;
  wchar_t* slash = std::wcsrchr(directory, L'\\');
  if (!slash) return false;
  *slash = 0;
  slash = std::wcsrchr(directory, L'\\');
  if (!slash || _wcsicmp(slash + 1, L"bin") != 0) return false;
  *slash = 0;
  return copyWhole(home, kPathCapacity, directory);
}

}  // namespace tessel
