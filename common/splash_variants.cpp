#include "splash_variants.h"

#include <cstring>

namespace tessel {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringCase(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// Decimal digits at `text` up to `end`, at most four; -1 when there are none or others.
int32_t number(const char* text, const char* end) {
  if (text == end || end - text > 4) return -1;
  int32_t value = 0;
  for (; text != end; ++text) {
    if (*text < '0' || *text > '9') return -1;
    value = value * 10 + (*text - '0');
  }
  return value;
}

}  // namespace

int32_t splashVariantId(int32_t percent) noexcept {
  if (percent == 100) return kSplashImageId;
  if (percent < kSplashVariantMinPercent || percent > kSplashVariantMaxPercent) return 0;
  return kSplashImageId + percent;
}

int32_t splashVariantPercent(int32_t id) noexcept {
  if (id == kSplashImageId) return 100;
  const int32_t percent = id - kSplashImageId;
  return percent >= kSplashVariantMinPercent && percent <= kSplashVariantMaxPercent ? percent : 0;
}

int32_t splashVariantScale(const char* plain, const char* candidate) noexcept {
  if (!plain || !candidate) return 0;
  const char* dot = std::strrchr(plain, '.');
  const size_t stem = dot ? static_cast<size_t>(dot - plain) : std::strlen(plain);
  const char* extension = plain + stem;  // "" or ".bmp"
  const size_t length = std::strlen(candidate), extensionLength = std::strlen(extension);
  if (length < stem + 1 + extensionLength || std::strncmp(candidate, plain, stem) != 0 ||
      candidate[stem] != '@' ||
      !sameIgnoringCase(candidate + length - extensionLength, extension, extensionLength))
    return 0;
  const char* scale = candidate + stem + 1;
  const char* end = candidate + length - extensionLength;
  int32_t percent = 0;
  if (end - scale > 3 && std::strncmp(end - 3, "pct", 3) == 0)
    percent = number(scale, end - 3);
  else if (end - scale > 1 && end[-1] == 'x')
    percent = number(scale, end - 1) * 100;
  return percent >= kSplashVariantMinPercent && percent <= kSplashVariantMaxPercent ? percent : 0;
}

int32_t chooseSplashScale(const int32_t* available, size_t count, int32_t wanted) noexcept {
  if (wanted <= 0) wanted = 100;
  int32_t larger = 0, smaller = 100;
  if (wanted == 100) return 100;
  if (wanted < 100) larger = 100;
  for (size_t i = 0; i < count; ++i) {
    const int32_t s = available[i];
    if (s == wanted) return s;
    if (s > wanted && (larger == 0 || s < larger)) larger = s;
    if (s < wanted && s > smaller) smaller = s;
  }
  return larger ? larger : smaller;
}

int32_t scaleSplashLength(int32_t length, int32_t percent) noexcept {
  const int64_t scaled = static_cast<int64_t>(length) * percent;
  const int64_t rounded = scaled >= 0 ? (scaled + 50) / 100 : -((-scaled + 50) / 100);
  if (rounded > INT32_MAX) return INT32_MAX;
  if (rounded < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(rounded);
}

}  // namespace tessel
