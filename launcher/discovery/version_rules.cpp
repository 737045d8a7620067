#include "discovery/version_rules.h"

#include <cstring>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"

namespace tessel {

namespace {

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool hasMarker(const char* version, const char* marker) {
  size_t length = std::strlen(marker);
  for (const char* p = std::strstr(version, marker); p; p = std::strstr(p + 1, marker)) {
    bool letterBefore = p > version && isAsciiLetter(p[-1]);
    bool letterAfter = isAsciiLetter(p[length]);
    if (!letterBefore && !letterAfter) return true;
  }
  return false;
}

int compareOver(const char* a, const char* b, size_t length) {
  return std::strncmp(a, b, length);  // strncmp compares as unsigned char
}

}  // namespace

bool isPreRelease(const char* version) {
  return hasMarker(version, "beta") || hasMarker(version, "ea") || hasMarker(version, "rc");
}

VersionVerdict versionRangeVerdict(const char* version, const char* minimum, const char* maximum,
                                   PreRelease preRelease) {
  if (preRelease == PreRelease::Refused && configInt(key::AllowPrerelease) == 0 &&
      isPreRelease(version)) {
    logLine("beta vm not allowed");
    return VersionVerdict::PreRelease;
  }
  if (compareOver(version, minimum, std::strlen(minimum)) < 0) return VersionVerdict::OutOfRange;
  if (compareOver(version, maximum, std::strlen(maximum)) > 0) return VersionVerdict::OutOfRange;
  return VersionVerdict::InRange;
}

bool versionInRange(const char* version, const char* minimum, const char* maximum,
                    PreRelease preRelease) {
  return versionRangeVerdict(version, minimum, maximum, preRelease) == VersionVerdict::InRange;
}

int compareVersions(const char* a, const char* b) {
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  while (*a && *b) {
    if (isDigit(*a) && isDigit(*b)) {
      while (*a == '0') ++a;  // leading zeros do not make a number greater
      while (*b == '0') ++b;
      const char* aEnd = a;
      const char* bEnd = b;
      while (isDigit(*aEnd)) ++aEnd;
      while (isDigit(*bEnd)) ++bEnd;
      if (aEnd - a != bEnd - b) return (aEnd - a) < (bEnd - b) ? -1 : 1;
      int order = std::strncmp(a, b, static_cast<size_t>(aEnd - a));
      if (order != 0) return order;
      a = aEnd;
      b = bEnd;
      continue;
    }
    if (*a != *b) return static_cast<unsigned char>(*a) < static_cast<unsigned char>(*b) ? -1 : 1;
    ++a;
    ++b;
  }
  return *a ? 1 : (*b ? -1 : 0);
}

bool versionPrefixInRange(const char* name, const char* minimum, const char* maximum) {
  size_t nameLength = std::strlen(name);
  size_t minLength = std::strlen(minimum);
  size_t maxLength = std::strlen(maximum);
  if (compareOver(name, minimum, nameLength < minLength ? nameLength : minLength) < 0)
    return false;
  if (compareOver(name, maximum, nameLength < maxLength ? nameLength : maxLength) > 0)
    return false;
  return true;
}

bool parseVersionBanner(const char* line, char* version, size_t capacity) {
  static const char* const prefixes[] = {"java version \"", "openjdk version \""};
  version[0] = 0;
  for (const char* prefix : prefixes) {
    size_t prefixLength = std::strlen(prefix);
    if (std::strncmp(line, prefix, prefixLength) != 0) continue;
    const char* start = line + prefixLength;
    // Runtimes print more after the closing quote (a release date): stop at the quote.
    const char* end = std::strchr(start, '"');
    if (!end || end == start) return false;
    size_t length = static_cast<size_t>(end - start);
    if (length + 1 > capacity) return false;
    std::memcpy(version, start, length);
    version[length] = 0;
    return true;
  }
  return false;
}

}  // namespace tessel
