// Environment variables read at their full size, in UTF-16: PATH and friends may hold names
// that no narrow code page can.
#pragma once
#include <string>

namespace tessel {

// The variable's value; empty when it is unset.
std::wstring environmentValueW(const wchar_t* name);

}  // namespace tessel
