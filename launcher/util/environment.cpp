#include "util/environment.h"

#include <windows.h>

#include <cstdlib>

namespace tessel {

std::wstring environmentValueW(const wchar_t* name, bool* present) {
  std::wstring value;
  if (present) *present = false;
  DWORD need = GetEnvironmentVariableW(name, nullptr, 0);
  if (need == 0 && present) *present = GetLastError() != ERROR_ENVVAR_NOT_FOUND;
  // The variable may change between the two calls; a few tries settle it.
  for (int attempt = 0; attempt < 4 && need > 0; ++attempt) {
    value.resize(need);
    DWORD got = GetEnvironmentVariableW(name, &value[0], need);
    if (got < need) {
      value.resize(got);
      if (present) *present = true;
      return value;
    }
    need = got;
  }
  return std::wstring();
}

bool setEnvironmentValueW(const wchar_t* name, const std::wstring& value, bool present,
                          unsigned long* error) {
  bool set = SetEnvironmentVariableW(name, present ? value.c_str() : nullptr) != 0;
  if (error) *error = set ? 0 : GetLastError();
  // "NAME=" removes the variable from the C runtime's copy.
  std::wstring assignment = std::wstring(name) + L"=" + (present ? value : std::wstring());
  _wputenv(assignment.c_str());
  return set;
}

}  // namespace tessel
