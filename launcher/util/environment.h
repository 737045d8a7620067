// Environment variables read at their full size, in UTF-16: PATH and friends may hold names
// that no narrow code page can.
#pragma once
#include <string>

namespace tessel {

// The variable's value; empty when it is unset. `present`, when given, tells an unset variable
// from an empty one.
std::wstring environmentValueW(const wchar_t* name, bool* present = nullptr);

// Sets the variable (removes it when `present` is false) in the process environment and in the
// C runtime's own copy, so that both views agree. False when the process environment refused
// it; `error` then holds the system's reason.
bool setEnvironmentValueW(const wchar_t* name, const std::wstring& value, bool present,
                          unsigned long* error);

}  // namespace tessel
