#include "startup/console.h"

namespace tessel {

bool attachConsole() { return false; }
void rebootSystem() {}
void addNativeLibraryPath() {}

}  // namespace tessel
