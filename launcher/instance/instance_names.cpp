#include "instance/instance_names.h"

#include <string>

#include "util/bounded_text.h"

namespace tessel {

void instanceObjectName(char* dst, const char* src) noexcept {
  for (; *src; ++src, ++dst) *dst = (*src == '\\' || *src == ' ') ? '_' : *src;
  *dst = 0;
}

const char* instanceNamespacePrefix(bool global) noexcept { return global ? "Global\\" : "Local\\"; }

bool instanceSemaphoreNameFor(char* out, size_t capacity, bool global, const char* absoluteExe,
                              int number) noexcept {
  out[0] = 0;
  if (!appendWhole(out, capacity, instanceNamespacePrefix(global))) return false;
  size_t used = std::char_traits<char>::length(out);
  size_t length = std::char_traits<char>::length(absoluteExe);
  if (used + length >= capacity) {
    out[0] = 0;
    return false;
  }
  instanceObjectName(out + used, absoluteExe);
  if (number >= 0) {
    char digits[16];
    formatText(digits, sizeof digits, "%d", number);
    if (!appendWhole(out, capacity, digits)) {
      out[0] = 0;
      return false;
    }
  }
  return true;
}

}  // namespace tessel
