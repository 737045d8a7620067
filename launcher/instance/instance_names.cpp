#include "instance/instance_names.h"

#include <string>

#include "util/bounded_text.h"
#include "util/fitted_names.h"

namespace tessel {

void instanceObjectName(char* dst, const char* src) noexcept {
  for (; *src; ++src, ++dst) *dst = (*src == '\\' || *src == ' ') ? '_' : *src;
  *dst = 0;
}

const char* instanceNamespacePrefix(bool global) noexcept { return global ? "Global\\" : "Local\\"; }

bool instanceSemaphoreNameFor(char* out, size_t capacity, bool global, const char* absoluteExe,
                              int number, bool* shortened) noexcept {
  if (shortened) *shortened = false;
  out[0] = 0;
  char digits[16] = "";
  if (number >= 0) formatText(digits, sizeof digits, "%d", number);
  if (!appendWhole(out, capacity, instanceNamespacePrefix(global))) return false;
  size_t used = std::char_traits<char>::length(out);
  size_t length = std::char_traits<char>::length(absoluteExe);
  size_t suffix = std::char_traits<char>::length(digits);
  if (used + length + suffix >= capacity || length >= kInstanceNameCapacity) {
    out[0] = 0;
    return false;
  }
  char objectName[kInstanceNameCapacity];
  instanceObjectName(objectName, absoluteExe);
  // A name longer than the kernel takes would make no semaphore at all: such a path gets a
  // stable short form, the same in every instance.
  if (!fitNameToLimit(out + used, capacity - used, objectName, kObjectNameLimit - used - suffix,
                      absoluteExe, shortened) ||
      !appendWhole(out, capacity, digits)) {
    out[0] = 0;
    return false;
  }
  return true;
}

}  // namespace tessel
