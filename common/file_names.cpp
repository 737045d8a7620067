#include "file_names.h"

namespace tessel {
namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool stemIs(const char* stem, size_t length, const char* name) {
  size_t i = 0;
  for (; i < length && name[i]; ++i)
    if (upper(stem[i]) != name[i]) return false;
  return i == length && name[i] == 0;
}

}  // namespace

constexpr const char* kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};

bool isDeviceName(const char* component, size_t length) noexcept {
  size_t stem = 0;
  while (stem < length && component[stem] != '.') ++stem;
  while (stem > 0 && component[stem - 1] == ' ') --stem;
  for (const char* device : kDevices)
    if (stemIs(component, stem, device)) return true;
  return stem == 4 && (stemIs(component, 3, "COM") || stemIs(component, 3, "LPT")) &&
         component[3] >= '1' && component[3] <= '9';
}

bool isLaunchLockName(const char* name, size_t length) noexcept {
  size_t i = 0;
  for (; i < length && kLaunchLockName[i]; ++i)
    if (upper(name[i]) != upper(kLaunchLockName[i])) return false;
  return i == length && kLaunchLockName[i] == 0;
}

}  // namespace tessel
