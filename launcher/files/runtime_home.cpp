#include "files/runtime_home.h"

#include <cwchar>
#include <string>

#include "util/paths.h"

namespace tessel {

char runtimeHome[kPathCapacity];

void setRuntimeHome(const wchar_t* acceptedExecutable) {
  wchar_t bin[kPathCapacity];
  if (!copyWhole(bin, kPathCapacity, acceptedExecutable)) return;
  wchar_t* last = std::wcsrchr(bin, L'\\');
  if (last) *last = 0;
  // The runtime opens what it is given narrow: its folder must keep naming the same place.
  std::string narrow;
  if (!narrowPathOf(bin, narrow)) narrow = narrowText(bin);
  char home[kPathCapacity];
  if (copyWhole(home, kPathCapacity, narrow.c_str()) && appendWhole(home, kPathCapacity, "\\.."))
    copyText(runtimeHome, kPathCapacity, home);
}

}  // namespace tessel
