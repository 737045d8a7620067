#include "version_text.h"

#include <cstring>
#include <string>

namespace tessel {

namespace {

constexpr size_t kMaxVersionLength = 99;  // as much as a banner line can carry

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

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

bool isPreRelease(const char* version) {
  return hasMarker(version, "beta") || hasMarker(version, "ea") || hasMarker(version, "rc");
}

BoundsVerdict versionBoundsVerdict(const char* version, const char* minimum, const char* maximum) {
  if (compareOver(version, minimum, std::strlen(minimum)) < 0) return BoundsVerdict::Below;
  if (compareOver(version, maximum, std::strlen(maximum)) > 0) return BoundsVerdict::Above;
  return BoundsVerdict::InRange;
}

int compareVersions(const char* a, const char* b) {
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
  if (capacity == 0) return false;
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
  if (result.size() + 1 > capacity) return false;  // the whole version or none
  std::memcpy(version, result.c_str(), result.size() + 1);
  return true;
}

}  // namespace tessel
