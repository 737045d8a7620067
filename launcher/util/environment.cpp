#include "util/environment.h"

#include <windows.h>

namespace tessel {

std::wstring environmentValueW(const wchar_t* name) {
  std::wstring value;
  DWORD need = GetEnvironmentVariableW(name, nullptr, 0);
  // The variable may change between the two calls; a few tries settle it.
  for (int attempt = 0; attempt < 4 && need > 0; ++attempt) {
    value.resize(need);
    DWORD got = GetEnvironmentVariableW(name, &value[0], need);
    if (got < need) {
      value.resize(got);
      return value;
    }
    need = got;
  }
  return std::wstring();
}

}  // namespace tessel
