// The system temporary directory and the per-launch temporary directory.
#pragma once
#include "files/bounded_text.h"

namespace tessel {

// The per-launch directory without a trailing backslash; empty when none was made.
extern char launchTempDir[kPathCapacity];

// Creates the per-launch directory and records it in launchTempDir; ends the process when
// no directory can be made.
void createLaunchTempDir();

}  // namespace tessel
