#include "util/fitted_names.h"

#include <cstring>
#include <cwchar>

#include "util/bounded_text.h"

namespace tessel {
namespace {
constexpr size_t kHashDigits = 16;
}  // namespace

uint64_t caseBlindHash(const char* text) noexcept {
  uint64_t hash = 14695981039346656037ull;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    unsigned char c = (*p >= 'A' && *p <= 'Z') ? static_cast<unsigned char>(*p + 32) : *p;
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

bool fitNameToLimit(char* out, size_t capacity, const char* name, size_t limit,
                    const char* identity, bool* shortened) noexcept {
  if (shortened) *shortened = false;
  if (capacity == 0) return false;
  out[0] = 0;
  size_t length = std::strlen(name);
  if (length <= limit) return copyWhole(out, capacity, name);
  if (limit < kHashDigits + 1 || limit >= capacity) return false;
  size_t kept = limit - kHashDigits - 1;
  std::memcpy(out, name, kept);
  uint64_t hash = caseBlindHash(identity);
  out[kept] = '~';
  static const char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < kHashDigits; ++i)
    out[kept + 1 + i] = kDigits[(hash >> (4 * (kHashDigits - 1 - i))) & 0xF];
  out[limit] = 0;
  if (shortened) *shortened = true;
  return true;
}

bool fitNameToLimitW(wchar_t* out, size_t capacity, const wchar_t* name, size_t limit,
                     const char* identity, bool* shortened) noexcept {
  if (shortened) *shortened = false;
  if (capacity == 0) return false;
  out[0] = 0;
  size_t length = std::wcslen(name);
  if (length <= limit) return copyWhole(out, capacity, name);
  if (limit < kHashDigits + 1 || limit >= capacity) return false;
  size_t kept = limit - kHashDigits - 1;
  std::wmemcpy(out, name, kept);
  uint64_t hash = caseBlindHash(identity);
  out[kept] = L'~';
  static const wchar_t kDigits[] = L"0123456789abcdef";
  for (size_t i = 0; i < kHashDigits; ++i)
    out[kept + 1 + i] = kDigits[(hash >> (4 * (kHashDigits - 1 - i))) & 0xF];
  out[limit] = 0;
  if (shortened) *shortened = true;
  return true;
}

}  // namespace tessel
