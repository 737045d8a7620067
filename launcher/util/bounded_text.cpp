#include "util/bounded_text.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

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

void appendConverted(std::string& out, const wchar_t* text, size_t length, unsigned codePage) {
  out += convertWide(text, length, codePage);
}

void appendNarrow(std::string& out, const char* text, size_t length, unsigned codePage) {
  if (codePage == CP_ACP || codePage == GetACP()) {
    out.append(text, length);
    return;
  }
  if (length == 0) return;
  int n = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
  if (n <= 0) return;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), &wide[0], n);
  appendConverted(out, wide.c_str(), wide.size(), codePage);
}

template <typename C>
size_t limitedLength(const C* text, int precision) {
  size_t n = 0;
  while (text[n] && (precision < 0 || n < static_cast<size_t>(precision))) ++n;
  return n;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The C runtime's printf rules, except that string and character arguments are converted into
// `codePage` here ("%s" and "%c" are ANSI text, "%S", "%ls" and "%C" UTF-16) instead of through
// the C runtime's "C" locale, which stops at the first character beyond U+00FF.
std::string formatConverted(unsigned codePage, const char* format, va_list args) {
  std::string out;
  for (const char* p = format; *p;) {
    if (*p != '%') {
      const char* plain = p;
      while (*p && *p != '%') ++p;
      out.append(plain, p);
      continue;
    }
    ++p;
    if (*p == '%') {
      out.push_back('%');
      ++p;
      continue;
    }
    const char* flags = p;
    while (*p && std::strchr("-+ #0", *p)) ++p;
    std::string spec = "%" + std::string(flags, p);
    bool leftAlign = spec.find('-') != std::string::npos;
    int width = -1, precision = -1;
    if (*p == '*') {
      width = va_arg(args, int);
      ++p;
      if (width < 0) {
        leftAlign = true;
        spec += '-';
        width = -width;
      }
    } else if (isDigit(*p)) {
      width = 0;
      while (isDigit(*p)) width = width * 10 + (*p++ - '0');
    }
    if (*p == '.') {
      ++p;
      precision = 0;
      if (*p == '*') {
        precision = va_arg(args, int);
        ++p;
      } else {
        while (isDigit(*p)) precision = precision * 10 + (*p++ - '0');
      }
    }
    enum { Default, Short, Long, LongLong } size = Default;
    const char* lengthStart = p;
    if (*p == 'h') {
      size = Short;
      ++p;
      if (*p == 'h') ++p;
    } else if (*p == 'l') {
      size = Long;
      ++p;
      if (*p == 'l') {
        size = LongLong;
        ++p;
      }
    } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
      size = LongLong;
      p += 3;
    } else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') {
      p += 3;
    } else if (*p == 'I' || *p == 'z' || *p == 't' || *p == 'j') {
      size = LongLong;
      ++p;
    } else if (*p == 'w') {
      size = Long;
      ++p;
    } else if (*p == 'L') {
      ++p;
    }
    const std::string lengthText(lengthStart, p);
    const char conversion = *p;
    if (!conversion) break;
    ++p;
    if (width >= 0) spec += std::to_string(width);
    if (precision >= 0) spec += "." + std::to_string(precision);
    std::string piece;
    char number[128];
    switch (conversion) {
      case 's':
      case 'S':
      case 'c':
      case 'C': {
        bool wide = (conversion == 's' || conversion == 'c') ? size == Long : size != Short;
        bool character = conversion == 'c' || conversion == 'C';
        if (character && wide) {
          wchar_t c = static_cast<wchar_t>(va_arg(args, int));
          appendConverted(piece, &c, 1, codePage);
        } else if (character) {
          char c = static_cast<char>(va_arg(args, int));
          appendNarrow(piece, &c, 1, codePage);
        } else if (wide) {
          const wchar_t* text = va_arg(args, const wchar_t*);
          if (!text) text = L"(null)";
          appendConverted(piece, text, limitedLength(text, precision), codePage);
        } else {
          const char* text = va_arg(args, const char*);
          if (!text) text = "(null)";
          appendNarrow(piece, text, limitedLength(text, precision), codePage);
        }
        if (width > 0 && piece.size() < static_cast<size_t>(width)) {
          std::string pad(static_cast<size_t>(width) - piece.size(), ' ');
          piece = leftAlign ? piece + pad : pad + piece;
        }
        break;
      }
      case 'd':
      case 'i':
      case 'o':
      case 'u':
      case 'x':
      case 'X':
        spec += lengthText;
        spec.push_back(conversion);
        if (size == LongLong)
          _snprintf(number, sizeof number, spec.c_str(), va_arg(args, long long));
        else if (size == Long)
          _snprintf(number, sizeof number, spec.c_str(), va_arg(args, long));
        else
          _snprintf(number, sizeof number, spec.c_str(), va_arg(args, int));
        number[sizeof number - 1] = 0;
        piece = number;
        break;
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        spec.push_back(conversion);
        _snprintf(number, sizeof number, spec.c_str(), va_arg(args, double));
        number[sizeof number - 1] = 0;
        piece = number;
        break;
      case 'p':
        spec.push_back('p');
        _snprintf(number, sizeof number, spec.c_str(), va_arg(args, void*));
        number[sizeof number - 1] = 0;
        piece = number;
        break;
      case 'n':
        (void)va_arg(args, void*);  // never written: nothing counts characters here
        break;
      default:
        piece = std::string(1, '%') + conversion;
        break;
    }
    out += piece;
  }
  return out;
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
  std::string text = formatConverted(codePage, format, args);
  return copyCut(dst, capacity, text.c_str());
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
