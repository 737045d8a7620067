// The system temporary directory and the per-launch temporary directory.
#pragma once
#include "files/bounded_text.h"

namespace tessel {

// The per-launch directory without a trailing backslash; empty when none was made.
extern char launchTempDir[kPathCapacity];

// A usable system temporary directory (kPathCapacity buffer); ends the process when none is.
void tempPath(char* out);
void tempPathW(wchar_t* out);
// True when a probe directory can be created in `dir` and found; the probe is removed.
bool isUsableTempDir(const char* dir);
bool isUsableTempDirW(const wchar_t* dir);
// A new, empty, uniquely named file in the temporary directory; its name goes to `out`.
void createTempFileName(char* out);
// Creates the per-launch directory and records it in launchTempDir; ends the process when
// no directory can be made.
void createLaunchTempDir();

}  // namespace tessel
