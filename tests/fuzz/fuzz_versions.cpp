// Version texts: the order of versions is antisymmetric and transitive, the range tests
// agree with themselves, the banner (alone and among captured lines) and release-file
// parsers keep their results whole and within the caller's buffer. Input: capacity byte, then three texts separated by NUL (the
// whole input after the capacity byte is also read as a release file).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "version_text.h"

namespace {

using fuzz::sign;

void checkOrder(const char* a, const char* b, const char* c) {
  FUZZ_CHECK(tessel::compareVersions(a, a) == 0);
  const int ab = sign(tessel::compareVersions(a, b));
  const int bc = sign(tessel::compareVersions(b, c));
  const int ac = sign(tessel::compareVersions(a, c));
  FUZZ_CHECK(ab == -sign(tessel::compareVersions(b, a)));
  if (ab <= 0 && bc <= 0) FUZZ_CHECK(ac <= 0 && (ac < 0 || (ab == 0 && bc == 0)));
  if (ab >= 0 && bc >= 0) FUZZ_CHECK(ac >= 0 && (ac > 0 || (ab == 0 && bc == 0)));
}

void checkRange(const char* version, const char* minimum, const char* maximum) {
  const tessel::BoundsVerdict verdict = tessel::versionBoundsVerdict(version, minimum, maximum);
  FUZZ_CHECK(tessel::versionBoundsVerdict(version, "", "") == tessel::BoundsVerdict::InRange);
  FUZZ_CHECK(tessel::versionPrefixInRange(version, "", ""));
  // A version starting with its minimum is never below it; one that is the maximum never above.
  FUZZ_CHECK(tessel::versionBoundsVerdict(version, version, "") == tessel::BoundsVerdict::InRange);
  FUZZ_CHECK(tessel::versionBoundsVerdict(version, "", version) == tessel::BoundsVerdict::InRange);
  // The prefix test compares over the shorter length, so it accepts all the full test does.
  if (verdict == tessel::BoundsVerdict::InRange)
    FUZZ_CHECK(tessel::versionPrefixInRange(version, minimum, maximum));
  (void)tessel::isPreRelease(version);
}

void checkBanner(const std::string& line, size_t capacity) {
  std::unique_ptr<char[]> version(new char[capacity]);
  if (!tessel::parseVersionBanner(line.c_str(), version.get(), capacity)) {
    FUZZ_CHECK(version[0] == 0);
    return;
  }
  const size_t n = std::strlen(version.get());
  FUZZ_CHECK(n > 0 && n < capacity && line.find(version.get()) != std::string::npos);
  FUZZ_CHECK(std::strchr(version.get(), '"') == nullptr);
  // The banner of that version reads back the same.
  const std::string banner = "openjdk version \"" + std::string(version.get()) + "\" 2021-01-19";
  std::unique_ptr<char[]> again(new char[capacity]);
  FUZZ_CHECK(tessel::parseVersionBanner(banner.c_str(), again.get(), capacity));
  FUZZ_CHECK(std::strcmp(again.get(), version.get()) == 0);
}

void checkCapture(const uint8_t* data, size_t size, size_t capacity) {
  std::unique_ptr<char[]> text(new char[size ? size : 1]);
  if (size) std::memcpy(text.get(), data, size);
  std::unique_ptr<char[]> version(new char[capacity]);
  if (!tessel::findVersionBanner(text.get(), size, version.get(), capacity)) {
    FUZZ_CHECK(version[0] == 0);
    return;
  }
  const size_t n = std::strlen(version.get());
  FUZZ_CHECK(n > 0 && n < capacity && n < 99);
}

void checkRelease(const uint8_t* data, size_t size, size_t capacity) {
  // The text is not terminated: a read past it is a report.
  std::unique_ptr<char[]> text(new char[size ? size : 1]);
  if (size) std::memcpy(text.get(), data, size);
  std::unique_ptr<char[]> version(new char[capacity]);
  if (!tessel::parseReleaseVersion(text.get(), size, version.get(), capacity)) {
    FUZZ_CHECK(version[0] == 0);
    return;
  }
  const size_t n = std::strlen(version.get());
  FUZZ_CHECK(n > 0 && n < capacity && n <= 99);
  for (size_t i = 0; i < n; ++i)
    FUZZ_CHECK(static_cast<unsigned char>(version[i]) >= 0x20 && version[i] != '"');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t capacity = 1 + data[0] % 128;
  std::vector<std::string> parts = fuzz::split(data + 1, size - 1, '\0');
  parts.resize(3);
  checkOrder(parts[0].c_str(), parts[1].c_str(), parts[2].c_str());
  checkRange(parts[0].c_str(), parts[1].c_str(), parts[2].c_str());
  checkBanner(parts[0], capacity);
  checkRelease(data + 1, size - 1, capacity);
  checkCapture(data + 1, size - 1, capacity);
  return 0;
}
