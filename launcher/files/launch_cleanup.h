// Per-launch directories of ended launches are removed at the next start. Each launch holds a
// lock file open inside its own directory, without delete sharing, for the life of its
// process; a directory whose lock file can be opened for deletion belongs to a launch that
// has ended. A directory without a lock file is never touched.
#pragma once
#include <cstddef>

#include "file_names.h"  // kLaunchLockName

namespace tessel {

// True for the names of per-launch directories: "tsl", 1 to 5 hexadecimal digits, an optional
// ".tmp", "_dir", then decimal digits ("tsl1A2B.tmp_dir1733580000", "tsl4711_dir1733580000").
bool isLaunchDirName(const wchar_t* name) noexcept;

// Creates the lock file in `dir` and keeps it open until the process ends (or the lock is
// released); false (logged) when it could not be made.
bool lockLaunchDir(const wchar_t* dir);
// Closes this process's lock file, so that its own directory can be removed.
void releaseLaunchLock();

// Removes everything in the per-launch directory `dir`, the lock file last, then the
// directory and its empty companion file. True when the directory is gone; when something
// stays, so does the lock file, and a later start tries again.
bool removeLaunchDir(const wchar_t* dir);

// Removes from `tempDir` the per-launch directories of ended launches with their empty
// companion files ("tsl1A2B.tmp" beside "tsl1A2B.tmp_dir..."). Returns how many were removed.
int removeEndedLaunchDirs(const wchar_t* tempDir);

}  // namespace tessel
