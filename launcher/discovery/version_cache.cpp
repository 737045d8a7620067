#include "discovery/version_cache.h"

#include <windows.h>

#include <cstring>

#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/fitted_names.h"
#include "util/handles.h"

namespace tessel {

namespace {
constexpr const char* kCachePrefix = "SOFTWARE\\brightmoor\\tessel\\jvms\\";
// One key name takes at most 255 characters; through the narrow registry functions some systems
// take no whole key path of MAX_PATH characters or more.
constexpr size_t kKeyNameLimit = 255;
constexpr size_t kKeyPathLimit = 259;

bool isTrusted(const char* version) {
  static const char* const untrusted[] = {"1.7.", "1.6.", "1.5.", kFailedRunVersion, ""};
  for (const char* bad : untrusted)
    if (std::strcmp(version, bad) == 0) return false;
  // Our banner parser never yields a quote; such an entry was cut wrongly by someone else.
  return std::strchr(version, '"') == nullptr;
}
}  // namespace

bool versionCacheKey(char* out, size_t capacity, const char* executable) {
  char component[kPathCapacity];
  bool shortened = false;
  if (!copyWhole(component, kPathCapacity, executable)) {
    out[0] = 0;
    return false;
  }
  for (char* p = component; *p; ++p)
    if (*p == '\\') *p = '/';
  // Without a short form a long runtime path would never be cached, and java.exe -version
  // would run at every start.
  size_t prefix = std::strlen(kCachePrefix);
  size_t limit = kKeyPathLimit - prefix < kKeyNameLimit ? kKeyPathLimit - prefix : kKeyNameLimit;
  if (!copyWhole(out, capacity, kCachePrefix) ||
      !fitNameToLimit(out + prefix, capacity - prefix, component, limit, executable, &shortened)) {
    out[0] = 0;
    return false;
  }
  if (shortened) logLine("version cache key shortened for %s: %s", executable, out);
  return true;
}

bool readCachedVersion(const char* executable, uint64_t lastWrite, char* version,
                       size_t capacity) {
  version[0] = 0;
  char keyName[kPathCapacity + 64];
  if (capacity < 2 || !versionCacheKey(keyName, sizeof(keyName), executable)) return false;
  unique_hkey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyName, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return false;
  // Values of another type were not written by us: the entry is ignored and rewritten.
  unsigned char stamp[8];
  DWORD size = sizeof(stamp);
  DWORD type = REG_NONE;
  if (RegQueryValueExA(key.get(), "LastWriteTime", nullptr, &type, stamp, &size) !=
          ERROR_SUCCESS ||
      type != REG_BINARY || size != sizeof(stamp) ||
      std::memcmp(stamp, &lastWrite, sizeof(stamp)) != 0)
    return false;
  // One byte is kept back so that a value stored without its terminator can be closed.
  size = static_cast<DWORD>(capacity - 1);
  if (RegQueryValueExA(key.get(), "Version", nullptr, &type, reinterpret_cast<BYTE*>(version),
                       &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    version[0] = 0;
    return false;
  }
  version[size] = 0;
  // A null inside the value would cut the text the cache hands out.
  if (std::strlen(version) + 1 < size || !isTrusted(version)) {
    version[0] = 0;
    return false;
  }
  return true;
}

void writeCachedVersion(const char* executable, uint64_t lastWrite, const char* version) {
  char keyName[kPathCapacity + 64];
  if (!versionCacheKey(keyName, sizeof(keyName), executable)) return;
  unique_hkey key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, keyName, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key.get(), "LastWriteTime", 0, REG_BINARY,
                 reinterpret_cast<const BYTE*>(&lastWrite), sizeof(lastWrite));
  RegSetValueExA(key.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                 static_cast<DWORD>(std::strlen(version)));
}

}  // namespace tessel
