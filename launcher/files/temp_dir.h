// The system temporary directory and the per-launch temporary directory.
#pragma once
#include <cstdint>

#include "util/bounded_text.h"

namespace tessel {

// The per-launch directory without a trailing backslash; empty when none was made.
extern char launchTempDir[kPathCapacity];

// A usable system temporary directory (kPathCapacity buffer): the system's own when its long
// form survives the ANSI code page, else the first usable fallback. Ends the process (key
// 1015) when no candidate is usable.
void tempPath(char* out);
void tempPathW(wchar_t* out);
// True when a probe directory can be created in `dir` and found; the probe is removed.
bool isUsableTempDir(const char* dir);
bool isUsableTempDirW(const wchar_t* dir);
// A new, empty, uniquely named file in the temporary directory; its name goes to `out`
// (kPathCapacity). `out` is empty when no file could be made.
void createTempFileName(char* out);
// The fallback when the system refuses a temporary name: claims "<dir>\tsl<n>" with an
// exclusive create, n = first, first+1, ... (0 to 32767). False (out empty) when none could
// be created.
bool claimTempFileName(const char* dir, uint32_t first, char* out);
// Creates the per-launch directory and records it in launchTempDir; ends the process (key
// 1009, "7") when no directory can be made.
void createLaunchTempDir();

// Deletes the files of a directory and of its direct subdirectories, and removes those
// subdirectories (deeper levels stay). Relative paths that begin with "." are never touched.
void emptyDirectory(const char* path);
// Empties and removes the per-launch directory, when there is one.
void removeLaunchTempDir();

}  // namespace tessel
