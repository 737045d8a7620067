#include "config/config_access.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "diagnostics/log.h"
#include "util/bounded_text.h"

namespace tessel {

KeyedTexts<std::string> LauncherConfig;
KeyedTexts<std::wstring> LauncherMessages;

const std::string* configValue(int32_t key) {
  return LauncherConfig.find(key);  // find, never operator[]: lookups must not insert
}

size_t configString(int32_t key, char* buffer, size_t capacity) {
  if (capacity == 0) return 0;
  buffer[0] = 0;
  const std::string* value = configValue(key);
  if (!value) return 0;
  // Stored values end at their first NUL, like the C string they are read as.
  size_t full = std::strlen(value->c_str());
  size_t n = full;
  if (n > capacity - 1) {
    n = capacity - 1;
    logError("config string %d truncated (%d %d)", key, static_cast<int>(capacity),
             static_cast<int>(full));
  }
  std::memcpy(buffer, value->c_str(), n);
  buffer[n] = 0;
  return n;
}

bool storedTextW(const char* stored, wchar_t* out, size_t capacity) {
  if (capacity == 0) return false;
  size_t i = 0;
  for (; stored[i] && i + 1 < capacity; ++i)
    out[i] = static_cast<wchar_t>(static_cast<unsigned char>(stored[i]));
  out[i] = 0;
  return stored[i] == 0;
}

std::wstring configTextW(int32_t key) {
  const std::string* value = configValue(key);
  if (!value) return std::wstring();
  std::wstring text(value->size() + 1, L'\0');
  storedTextW(value->c_str(), &text[0], text.size());
  text.resize(std::wcslen(text.c_str()));
  return text;
}

void configStringW(int32_t key, wchar_t* buffer, size_t capacity) {
  if (capacity == 0) return;
  buffer[0] = 0;
  const std::string* value = configValue(key);
  if (!value || storedTextW(value->c_str(), buffer, capacity)) return;
  // A cut value (the configured arguments lose their tail) must leave a trace.
  logError("config string %d truncated (%d %d)", key, static_cast<int>(capacity),
           static_cast<int>(std::strlen(value->c_str())));
}

void configMessageW(int32_t key, wchar_t* buffer, size_t capacity) {
  if (capacity == 0) return;
  const std::wstring* message = LauncherMessages.find(key);
  if (!message) {
    configStringW(key, buffer, capacity);
    return;
  }
  copyText(buffer, capacity, message->c_str());
}

std::unique_ptr<char[]> configStringCopy(int32_t key) {
  const std::string* value = configValue(key);
  const char* text = value ? value->c_str() : "";
  size_t n = std::strlen(text);
  std::unique_ptr<char[]> copy(new char[n + 1]);
  std::memcpy(copy.get(), text, n + 1);
  return copy;
}

namespace {
int32_t toInt(const char* text) {
  errno = 0;
  long v = std::strtol(text, nullptr, 10);
  // long is 32 bits here, so strtol's own clamping gives the 32-bit limits.
  if (v > INT32_MAX) v = INT32_MAX;
  if (v < INT32_MIN) v = INT32_MIN;
  return static_cast<int32_t>(v);
}
}  // namespace

int32_t configInt(int32_t key) {
  char buffer[kPathCapacity];
  configString(key, buffer, sizeof(buffer));
  return toInt(buffer);
}

uint32_t configColor(int32_t key) {
  char buffer[kPathCapacity];
  configString(key, buffer, sizeof(buffer));
  uint32_t parts[3] = {0, 0, 0};
  int index = 0;
  char* p = buffer;
  while (*p && index < 3) {
    while (*p == ',') ++p;
    if (!*p) break;
    char* end = std::strchr(p, ',');
    if (end) *end = 0;
    parts[index++] = static_cast<uint32_t>(toInt(p)) & 0xFF;
    if (!end) break;
    p = end + 1;
  }
  // Fewer than three components leave the missing ones at 0.
  return parts[0] | (parts[1] << 8) | (parts[2] << 16);
}

void clearConfiguration() {
  LauncherConfig.clear();
  LauncherMessages.clear();
}

}  // namespace tessel
