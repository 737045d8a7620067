#include "discovery/version_cache.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/fitted_names.h"
#include "util/handles.h"

namespace tessel {

namespace {
constexpr const wchar_t* kCachePrefix = L"SOFTWARE\\brightmoor\\tessel\\jvms\\";
// One key name takes at most 255 characters; older launchers wrote through the narrow
// functions, which some systems limit to key paths below MAX_PATH. The same keys are kept.
constexpr size_t kKeyNameLimit = 255;
constexpr size_t kKeyPathLimit = 259;
// Versions are at most 99 characters (version_text.h); a longer value was not ours.
constexpr size_t kVersionTextCapacity = 128;

bool isTrusted(const char* version) {
  static const char* const untrusted[] = {"1.7.", "1.6.", "1.5.", kFailedRunVersion, ""};
  for (const char* bad : untrusted)
    if (std::strcmp(version, bad) == 0) return false;
  // Our banner parser never yields a quote; such an entry was cut wrongly by someone else.
  return std::strchr(version, '"') == nullptr;
}
}  // namespace

bool versionCacheKey(wchar_t* out, size_t capacity, const wchar_t* executable) {
  wchar_t component[kPathCapacity];
  bool shortened = false;
  if (!copyWhole(component, kPathCapacity, executable)) {
    out[0] = 0;
    return false;
  }
  for (wchar_t* p = component; *p; ++p)
    if (*p == L'\\') *p = L'/';
  // Without a short form a long runtime path would never be cached, and java.exe -version
  // would run at every start. The hash reads the path as UTF-8: an ASCII path keeps its key.
  size_t prefix = std::wcslen(kCachePrefix);
  size_t limit = kKeyPathLimit - prefix < kKeyNameLimit ? kKeyPathLimit - prefix : kKeyNameLimit;
  std::string identity = convertWide(executable, std::wcslen(executable), CP_UTF8);
  if (!copyWhole(out, capacity, kCachePrefix) ||
      !fitNameToLimitW(out + prefix, capacity - prefix, component, limit, identity.c_str(),
                       &shortened)) {
    out[0] = 0;
    return false;
  }
  if (shortened) logLine("version cache key shortened for %S: %S", executable, out);
  return true;
}

bool readCachedVersion(const wchar_t* executable, uint64_t lastWrite, char* version,
                       size_t capacity) {
  version[0] = 0;
  wchar_t keyName[kPathCapacity + 64];
  if (capacity < 2 || !versionCacheKey(keyName, kPathCapacity + 64, executable)) return false;
  unique_hkey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyName, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return false;
  // Values of another type were not written by us: the entry is ignored and rewritten.
  unsigned char stamp[8];
  DWORD size = sizeof(stamp);
  DWORD type = REG_NONE;
  if (RegQueryValueExW(key.get(), L"LastWriteTime", nullptr, &type, stamp, &size) !=
          ERROR_SUCCESS ||
      type != REG_BINARY || size != sizeof(stamp) ||
      std::memcmp(stamp, &lastWrite, sizeof(stamp)) != 0)
    return false;
  // Versions are ASCII; one unit is kept back so that a value stored without its terminator
  // can be closed.
  wchar_t text[kVersionTextCapacity];
  size = static_cast<DWORD>(sizeof(text) - sizeof(wchar_t));
  if (RegQueryValueExW(key.get(), L"Version", nullptr, &type, reinterpret_cast<BYTE*>(text),
                       &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  size_t units = size / sizeof(wchar_t);
  text[units] = 0;
  // A null inside the value would cut the text the cache hands out.
  size_t length = std::wcslen(text);
  if (length + 1 < units || length >= capacity) return false;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] > 0x7E || text[i] < 0x20) return false;
    version[i] = static_cast<char>(text[i]);
  }
  version[length] = 0;
  if (!isTrusted(version)) {
    version[0] = 0;
    return false;
  }
  return true;
}

void writeCachedVersion(const wchar_t* executable, uint64_t lastWrite, const char* version) {
  wchar_t keyName[kPathCapacity + 64];
  if (!versionCacheKey(keyName, kPathCapacity + 64, executable)) return;
  wchar_t text[kVersionTextCapacity];
  size_t length = std::strlen(version);
  if (length >= kVersionTextCapacity) return;
  for (size_t i = 0; i <= length; ++i) text[i] = static_cast<unsigned char>(version[i]);
  unique_hkey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, keyName, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(key.get(), L"LastWriteTime", 0, REG_BINARY,
                 reinterpret_cast<const BYTE*>(&lastWrite), sizeof(lastWrite));
  // Without the terminator, as the entries have always been written.
  RegSetValueExW(key.get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(length * sizeof(wchar_t)));
}

}  // namespace tessel
