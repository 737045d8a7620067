// Length and prefix/suffix tests of terminated texts, narrow or wide, and of strings; portable,
// used by the launcher and the portable parsers alike.
#pragma once
#include <cstddef>
#include <string>

namespace tessel {

template <typename C>
size_t textLength(const C* text) {
  size_t n = 0;
  while (text[n]) ++n;
  return n;
}

template <typename C>
bool startsWith(const C* text, const C* prefix) {
  for (; *prefix; ++text, ++prefix)
    if (*text != *prefix) return false;
  return true;
}

template <typename C>
bool startsWith(const std::basic_string<C>& text, const C* prefix) {
  return text.compare(0, textLength(prefix), prefix) == 0;
}

template <typename C>
bool endsWith(const C* text, const C* suffix) {
  const size_t n = textLength(text);
  const size_t m = textLength(suffix);
  if (m > n) return false;
  for (size_t i = 0; i < m; ++i)
    if (text[n - m + i] != suffix[i]) return false;
  return true;
}

template <typename C>
bool endsWith(const std::basic_string<C>& text, const C* suffix) {
  return endsWith(text.c_str(), suffix);
}

}  // namespace tessel
