// Cutting a fuzz input into the parts a target needs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// The parts of the input between `separator` bytes (an input without one is one part).
inline std::vector<std::string> split(const uint8_t* data, size_t size, char separator) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < size; ++i) {
    if (static_cast<char>(data[i]) == separator) parts.emplace_back();
    else parts.back().push_back(static_cast<char>(data[i]));
  }
  return parts;
}

// Each byte as the character of the same number; a NUL ends the text as it would in C.
inline std::wstring widen(const std::string& bytes) {
  std::wstring wide;
  for (char c : bytes) {
    if (c == 0) break;
    wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  }
  return wide;
}

inline std::string narrow(const std::wstring& wide) {
  std::string bytes;
  for (wchar_t c : wide) bytes.push_back(static_cast<char>(c));
  return bytes;
}

inline int sign(int value) { return (value > 0) - (value < 0); }

}  // namespace fuzz
