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

// A number of a version without its leading zeros (0 and a missing number are empty).
struct Number {
  const char* digits;
  size_t length;
};

int compareNumbers(Number a, Number b) {
  if (a.length != b.length) return a.length < b.length ? -1 : 1;
  int order = std::memcmp(a.digits, b.digits, a.length);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

// Reads the numbers of a version one by one: runs of digits joined by "." or "_". Past the
// last one it reads zeros, and tail() is the text after the numbers.
class NumberCursor {
 public:
  explicit NumberCursor(const char* version) : p_(version), more_(isDigit(*version)) {}
  bool more() const { return more_; }
  size_t count() const { return count_; }
  const char* tail() const { return p_; }
  Number next() {
    if (!more_) return {p_, 0};
    while (*p_ == '0') ++p_;
    const char* start = p_;
    while (isDigit(*p_)) ++p_;
    Number number{start, static_cast<size_t>(p_ - start)};
    ++count_;
    if ((*p_ == '.' || *p_ == '_') && isDigit(p_[1]))
      ++p_;
    else
      more_ = false;
    return number;
  }

 private:
  const char* p_;
  bool more_;
  size_t count_ = 0;
};

// Digit runs compare as numbers, other bytes as unsigned bytes; a text that ends first is
// older.
int compareMixed(const char* a, const char* b) {
  while (*a && *b) {
    if (isDigit(*a) && isDigit(*b)) {
      while (*a == '0') ++a;
      while (*b == '0') ++b;
      const char* aEnd = a;
      const char* bEnd = b;
      while (isDigit(*aEnd)) ++aEnd;
      while (isDigit(*bEnd)) ++bEnd;
      int order = compareNumbers({a, static_cast<size_t>(aEnd - a)},
                                 {b, static_cast<size_t>(bEnd - b)});
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

// A pre-release before the release, the release before any other tail (a build number).
int tailRank(const char* tail) {
  if (!*tail) return 1;
  return isPreRelease(tail) ? 0 : 2;
}

int compareTails(const char* a, const char* b) {
  int rankA = tailRank(a);
  int rankB = tailRank(b);
  if (rankA != rankB) return rankA < rankB ? -1 : 1;
  return compareMixed(a, b);
}

// Compares a version with a bound over the bound's components: the version's further numbers
// and its tail count only when the bound has a tail. With `sharedOnly`, a version of fewer
// numbers is compared over its own (a registry key 1.8 against the bound 1.8.0_60).
int compareWithBound(const char* version, const char* bound, bool sharedOnly) {
  NumberCursor v(version);
  NumberCursor b(bound);
  while (b.more()) {
    if (sharedOnly && !v.more()) return 0;
    int order = compareNumbers(v.next(), b.next());
    if (order != 0) return order;
  }
  if (!*b.tail()) return 0;
  while (v.more()) {
    int order = compareNumbers(v.next(), b.next());
    if (order != 0) return order;
  }
  return compareTails(v.tail(), b.tail());
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
  if (compareWithBound(version, minimum, false) < 0) return BoundsVerdict::Below;
  if (compareWithBound(version, maximum, false) > 0) return BoundsVerdict::Above;
  return BoundsVerdict::InRange;
}

int compareVersions(const char* a, const char* b) {
  NumberCursor x(a);
  NumberCursor y(b);
  while (x.more() || y.more()) {
    int order = compareNumbers(x.next(), y.next());
    if (order != 0) return order;
  }
  int order = compareTails(x.tail(), y.tail());
  if (order != 0) return order;
  return x.count() < y.count() ? -1 : (x.count() > y.count() ? 1 : 0);
}

bool versionPrefixInRange(const char* name, const char* minimum, const char* maximum) {
  return compareWithBound(name, minimum, true) >= 0 && compareWithBound(name, maximum, true) <= 0;
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

bool findVersionBanner(const char* text, size_t length, char* version, size_t capacity) {
  if (capacity > 0) version[0] = 0;
  const char* end = text + length;
  for (const char* line = text; line < end;) {
    const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', end - line));
    if (!lineEnd) lineEnd = end;
    char first[kMaxVersionLength + 1];
    size_t n = static_cast<size_t>(lineEnd - line);
    if (n > kMaxVersionLength) n = kMaxVersionLength;
    std::memcpy(first, line, n);
    first[n] = 0;
    if (parseVersionBanner(first, version, capacity)) return true;
    line = lineEnd + 1;
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
