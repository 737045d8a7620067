#include "discovery/release_file.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "util/bounded_text.h"
#include "util/handles.h"

namespace tessel {

namespace {

constexpr size_t kMaxReleaseFile = 64 * 1024;

}  // namespace

bool readReleaseVersion(const char* home, char* version, size_t capacity) {
  if (capacity > 0) version[0] = 0;
  char path[kPathCapacity];
  if (!formatText(path, kPathCapacity, "%s\\release", home)) return false;
  unique_hfile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::string text(kMaxReleaseFile, '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &read, nullptr))
    return false;
  text.resize(read);
  return parseReleaseVersion(text.data(), text.size(), version, capacity);
}

bool runtimeHomeOfExecutable(const char* executable, char* home) {
  char directory[kPathCapacity];
  if (!copyWhole(directory, kPathCapacity, executable)) return false;
  char* slash = std::strrchr(directory, '\\');
  if (!slash) return false;
  *slash = 0;
  slash = std::strrchr(directory, '\\');
  if (!slash || _stricmp(slash + 1, "bin") != 0) return false;
  *slash = 0;
  return copyWhole(home, kPathCapacity, directory);
}

}  // namespace tessel
