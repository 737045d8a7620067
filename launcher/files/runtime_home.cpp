#include "files/runtime_home.h"

#include <cstring>

namespace tessel {

char runtimeHome[kPathCapacity];

void setRuntimeHome(const char* acceptedExecutable) {
  char home[kPathCapacity];
  if (!copyWhole(home, kPathCapacity, acceptedExecutable)) return;
  char* last = std::strrchr(home, '\\');
  if (last) last[1] = 0;
  if (appendWhole(home, kPathCapacity, "..")) copyText(runtimeHome, kPathCapacity, home);
}

}  // namespace tessel
