#include "util/bounded_text.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "text_match.h"

namespace tessel {
namespace {

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

// Output into the caller's buffer; remembers whether everything fit.
struct Sink {
  char* dst;
  size_t capacity;
  size_t used = 0;
  bool fits = true;
  void put(const char* text, size_t length) {
    size_t room = capacity - 1 - used;
    if (length > room) {
      length = room;
      fits = false;
    }
    std::memcpy(dst + used, text, length);
    used += length;
  }
  void put(const std::string& text) { put(text.data(), text.size()); }
};

void putNarrow(Sink& out, const char* text, size_t length, unsigned codePage) {
  if (codePage == CP_ACP || codePage == GetACP()) return out.put(text, length);
  int n = length ? MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0) : 0;
  if (n <= 0) return;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), &wide[0], n);
  out.put(convertWide(wide.c_str(), wide.size(), codePage));
}

template <typename C>
size_t limitedLength(const C* text, int precision) {
  size_t n = 0;
  while (text[n] && (precision < 0 || n < static_cast<size_t>(precision))) ++n;
  return n;
}

// The C runtime's printf rules, except that string and character arguments are converted into
// `codePage` here ("%s" and "%c" are ANSI text, "%S", "%ls" and "%C" UTF-16) instead of through
// the C runtime's "C" locale, which stops at the first character beyond U+00FF. Field widths
// of strings are not padded (no format of the launcher pads one).
bool formatConverted(char* dst, size_t capacity, unsigned codePage, const char* format,
                     va_list args) {
  Sink out{dst, capacity};
  for (const char* p = format; *p;) {
    if (*p != '%') {
      const char* plain = p;
      while (*p && *p != '%') ++p;
      out.put(plain, static_cast<size_t>(p - plain));
      continue;
    }
    const char* start = p++;
    if (*p == '%') {
      out.put(p++, 1);
      continue;
    }
    char spec[64] = "%";
    size_t length = 1;
    auto add = [&](char c) {
      if (length + 1 < sizeof spec) spec[length++] = c;
      spec[length] = 0;
    };
    int precision = -1;
    for (; *p && std::strchr("-+ #0123456789.*", *p); ++p) {
      if (*p == '.') {
        precision = 0;
      } else if (*p == '*') {
        int value = va_arg(args, int);
        if (precision >= 0) precision = value;
        char number[16];
        _snprintf(number, sizeof number, "%d", value);
        number[sizeof number - 1] = 0;
        for (const char* c = number; *c; ++c) add(*c);
        continue;
      } else if (precision >= 0) {
        precision = precision * 10 + (*p - '0');
      }
      add(*p);
    }
    const char* sizeStart = p;
    while (*p && std::strchr("hlLwzjtI", *p)) {
      if (*p == 'I' && ((p[1] == '6' && p[2] == '4') || (p[1] == '3' && p[2] == '2'))) p += 2;
      ++p;
    }
    const std::string size(sizeStart, p);
    const bool wideSize = size == "l" || size == "w";
    const bool big = size == "ll" || size == "I64" || size == "I" || size == "z" || size == "j" ||
                     size == "t";
    const char conversion = *p;
    if (!conversion) break;
    ++p;
    for (char c : size) add(c);
    add(conversion);
    char number[128];
    number[0] = 0;
    switch (conversion) {
      case 's':
      case 'S': {
        if (conversion == 'S' ? size != "h" : wideSize) {
          const wchar_t* text = va_arg(args, const wchar_t*);
          if (!text) text = L"(null)";
          out.put(convertWide(text, limitedLength(text, precision), codePage));
        } else {
          const char* text = va_arg(args, const char*);
          if (!text) text = "(null)";
          putNarrow(out, text, limitedLength(text, precision), codePage);
        }
        break;
      }
      case 'c':
      case 'C':
        if (conversion == 'C' ? size != "h" : wideSize) {
          wchar_t c = static_cast<wchar_t>(va_arg(args, int));
          out.put(convertWide(&c, 1, codePage));
        } else {
          char c = static_cast<char>(va_arg(args, int));
          putNarrow(out, &c, 1, codePage);
        }
        break;
      case 'd':
      case 'i':
      case 'o':
      case 'u':
      case 'x':
      case 'X':
        if (big)
          _snprintf(number, sizeof number, spec, va_arg(args, long long));
        else
          _snprintf(number, sizeof number, spec, va_arg(args, int));
        break;
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        _snprintf(number, sizeof number, spec, va_arg(args, double));
        break;
      case 'p':
        _snprintf(number, sizeof number, spec, va_arg(args, void*));
        break;
      case 'n':
        (void)va_arg(args, void*);  // never written: nothing counts characters here
        break;
      default:
        out.put(start, static_cast<size_t>(p - start));
        break;
    }
    number[sizeof number - 1] = 0;
    out.put(number, std::strlen(number));
  }
  dst[out.used] = 0;
  return out.fits;
}

bool hasStringConversion(const char* format) {
  for (const char* p = std::strchr(format, '%'); p; p = std::strchr(p, '%')) {
    ++p;
    if (*p == '%') {
      ++p;
      continue;
    }
    while (*p && !std::strchr("sScCdiouxXeEfFgGaApn%", *p)) ++p;
    if (*p == 'S' || *p == 'C' || ((*p == 's' || *p == 'c') && p[-1] == 'l')) return true;
  }
  return false;
}

}  // namespace

std::string convertWide(const wchar_t* text, size_t length, unsigned codePage, bool* lossy) {
  if (lossy) *lossy = false;
  if (length == 0) return std::string();
  unsigned actual = codePage == CP_ACP ? GetACP() : codePage == CP_OEMCP ? GetOEMCP() : codePage;
  // UTF-8 holds every character and takes neither flags nor a default character.
  bool utf8 = actual == CP_UTF8;
  DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* used = utf8 ? nullptr : &usedDefault;
  const char* fallback = utf8 ? nullptr : "?";
  int n = WideCharToMultiByte(codePage, flags, text, static_cast<int>(length), nullptr, 0, fallback, used);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  n = WideCharToMultiByte(codePage, flags, text, static_cast<int>(length), &out[0], n, fallback, used);
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  if (lossy) *lossy = usedDefault != FALSE;
  return out;
}

bool copyText(char* d, size_t c, const char* s) noexcept { return copyCut(d, c, s); }
bool copyText(wchar_t* d, size_t c, const wchar_t* s) noexcept { return copyCut(d, c, s); }
bool appendText(char* d, size_t c, const char* s) noexcept { return appendCut(d, c, s); }
bool appendText(wchar_t* d, size_t c, const wchar_t* s) noexcept { return appendCut(d, c, s); }
bool copyWhole(char* d, size_t c, const char* s) noexcept { return copyIfFits(d, c, s); }
bool copyWhole(wchar_t* d, size_t c, const wchar_t* s) noexcept { return copyIfFits(d, c, s); }
bool appendWhole(char* d, size_t c, const char* s) noexcept { return appendIfFits(d, c, s); }
bool appendWhole(wchar_t* d, size_t c, const wchar_t* s) noexcept { return appendIfFits(d, c, s); }

bool formatTextInCodePage(char* dst, size_t capacity, unsigned codePage, const char* format,
                          va_list args) noexcept {
  if (capacity == 0) return false;
  return formatConverted(dst, capacity, codePage, format, args);
}

bool formatTextV(char* dst, size_t capacity, const char* format, va_list args) noexcept {
  if (capacity == 0) return false;
  if (hasStringConversion(format)) return formatTextInCodePage(dst, capacity, CP_ACP, format, args);
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
