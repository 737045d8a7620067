#include "windows/java_vm_launcher.h"

namespace tessel {

bool launchProgram(ArgumentList&, bool) { return false; }

}  // namespace tessel
