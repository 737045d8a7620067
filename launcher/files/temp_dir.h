// The system temporary directory and the per-launch temporary directory.
#pragma once
#include <cstdint>
#include <string>

#include "util/bounded_text.h"

namespace tessel {

// The per-launch directory (long form) without a trailing backslash; empty when none was made.
extern wchar_t launchTempDir[kPathCapacity];
// The per-launch directory as narrow text for the runtime: the long form where the file-API code
// page holds it, else the short (8.3) form; empty when there is none.
std::string narrowLaunchTempDir();
// False only in tests that need every fallback directory to be refused.
extern bool tempFallbacksEnabled;

// A usable system temporary directory (kPathCapacity buffer): the system's own, in the narrow
// twin by its long form where the file-API code page holds it, else by its 8.3 form, else the
// first usable fallback. Ends the process (key 1015) when no candidate is usable.
void tempPath(char* out);
void tempPathW(wchar_t* out);
// True when a probe directory can be created in `dir` and found; the probe is removed.
bool isUsableTempDir(const char* dir);
bool isUsableTempDirW(const wchar_t* dir);
// A new, empty, uniquely named file in the user's temporary directory (where the runtime can be
// given a narrow name for it), else in the first usable fallback directory; its narrow name (the
// long or the 8.3 form) goes to `out` (kPathCapacity). `out` is empty when no file could be made.
void createTempFileName(char* out);
// The fallback when the system refuses a temporary name: claims "<dir>\tsl<n>" with an
// exclusive create, n = first, first+1, ... (0 to 32767). False (out empty) when none could
// be created.
bool claimTempFileName(const wchar_t* dir, uint32_t first, wchar_t* out);
// Creates the per-launch directory and records it in launchTempDir: in the user's temporary
// directory when the runtime can be given a narrow name for it (the long or the 8.3 form), else
// in the first usable fallback. Removes ended launches' directories from there first. The lock file is the caller's to make
// (lockLaunchDir). Ends the process with a message that names the temporary directory when
// neither it nor a fallback can be written.
void createLaunchTempDir();
// Empties and removes the per-launch directory (at a fatal exit); launchTempDir keeps its text.
void removeLaunchTempDir();

}  // namespace tessel
