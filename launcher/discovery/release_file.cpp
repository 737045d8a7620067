#include "discovery/release_file.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "util/bounded_text.h"
#include "util/handles.h"

namespace tessel {

namespace {

constexpr size_t kMaxReleaseFile = 64 * 1024;
constexpr size_t kMaxVersionLength = 99;  // as much as a banner line can carry

// The quoted value of KEY="..." at the start of a line; empty when absent or malformed.
std::string quotedValue(const char* text, size_t length, const char* key) {
  size_t keyLength = std::strlen(key);
  const char* end = text + length;
  for (const char* line = text; line < end;) {
    const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', end - line));
    if (!lineEnd) lineEnd = end;
    const char* p = line;
    if (static_cast<size_t>(lineEnd - p) > keyLength + 2 && std::memcmp(p, key, keyLength) == 0 &&
        p[keyLength] == '=' && p[keyLength + 1] == '"') {
      const char* start = p + keyLength + 2;
      const char* close = static_cast<const char*>(std::memchr(start, '"', lineEnd - start));
      if (close) return std::string(start, close);
      return std::string();
    }
    line = lineEnd + 1;
  }
  return std::string();
}

bool plainVersionText(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == '"') return false;
  return true;
}

}  // namespace

bool parseReleaseVersion(const char* text, size_t length, char* version, size_t capacity) {
  if (capacity > 0) version[0] = 0;
  std::string number = quotedValue(text, length, "JAVA_VERSION");
  if (number.empty() || number.size() > kMaxVersionLength || !plainVersionText(number))
    return false;
  // The runtime version carries the pre-release part that the plain number drops:
  // $NUMBER-$PRE+$BUILD-$OPT. The banner shows $NUMBER-$PRE.
  std::string runtime = quotedValue(text, length, "JAVA_RUNTIME_VERSION");
  std::string result = number;
  if (runtime.size() > number.size() + 1 && runtime.compare(0, number.size(), number) == 0 &&
      runtime[number.size()] == '-') {
    size_t stop = runtime.find_first_of("+-", number.size() + 1);
    std::string pre = runtime.substr(number.size(), stop == std::string::npos
                                                        ? std::string::npos
                                                        : stop - number.size());
    if (pre.size() > 1 && result.size() + pre.size() <= kMaxVersionLength &&
        plainVersionText(pre))
      result += pre;
  }
  return copyWhole(version, capacity, result.c_str());
}

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
