#include "util/bounded_text.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace tessel {
namespace {

template <typename C>
size_t textLength(const C* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

template <typename C>
bool copyCut(C* dst, size_t capacity, const C* src) {
  if (capacity == 0) return false;
  size_t n = textLength(src);
  bool fits = n < capacity;
  if (!fits) n = capacity - 1;
  std::memmove(dst, src, n * sizeof(C));
  dst[n] = 0;
  return fits;
}

template <typename C>
bool appendCut(C* dst, size_t capacity, const C* src) {
  size_t used = 0;
  while (used < capacity && dst[used]) ++used;
  if (used >= capacity) return false;
  return copyCut(dst + used, capacity - used, src);
}

template <typename C>
bool copyIfFits(C* dst, size_t capacity, const C* src) {
  size_t n = textLength(src);
  if (n >= capacity) return false;
  std::memmove(dst, src, (n + 1) * sizeof(C));
  return true;
}

template <typename C>
bool appendIfFits(C* dst, size_t capacity, const C* src) {
  size_t used = 0;
  while (used < capacity && dst[used]) ++used;
  if (used >= capacity) return false;
  return copyIfFits(dst + used, capacity - used, src);
}

}  // namespace

bool copyText(char* d, size_t c, const char* s) noexcept { return copyCut(d, c, s); }
bool copyText(wchar_t* d, size_t c, const wchar_t* s) noexcept { return copyCut(d, c, s); }
bool appendText(char* d, size_t c, const char* s) noexcept { return appendCut(d, c, s); }
bool appendText(wchar_t* d, size_t c, const wchar_t* s) noexcept { return appendCut(d, c, s); }
bool copyWhole(char* d, size_t c, const char* s) noexcept { return copyIfFits(d, c, s); }
bool copyWhole(wchar_t* d, size_t c, const wchar_t* s) noexcept { return copyIfFits(d, c, s); }
bool appendWhole(char* d, size_t c, const char* s) noexcept { return appendIfFits(d, c, s); }
bool appendWhole(wchar_t* d, size_t c, const wchar_t* s) noexcept { return appendIfFits(d, c, s); }

bool formatTextV(char* dst, size_t capacity, const char* format, va_list args) noexcept {
  if (capacity == 0) return false;
  // The C runtime's own formatter: "%S" is a wide string and "%I64d" a 64-bit integer, as
  // the log formats expect. It reports -1 when the text is cut.
  int n = _vsnprintf(dst, capacity, format, args);
  dst[capacity - 1] = 0;
  return n >= 0 && static_cast<size_t>(n) < capacity;
}

bool formatText(char* dst, size_t capacity, const char* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  bool ok = formatTextV(dst, capacity, format, args);
  va_end(args);
  return ok;
}

bool formatTextV(wchar_t* dst, size_t capacity, const wchar_t* format, va_list args) noexcept {
  if (capacity == 0) return false;
  // The wide vsnprintf of the C runtime reports -1 when the text is cut.
  int n = _vsnwprintf(dst, capacity, format, args);
  dst[capacity - 1] = 0;
  if (n < 0 || static_cast<size_t>(n) >= capacity) return false;
  return true;
}

bool formatText(wchar_t* dst, size_t capacity, const wchar_t* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  bool ok = formatTextV(dst, capacity, format, args);
  va_end(args);
  return ok;
}

}  // namespace tessel
