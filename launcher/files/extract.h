// Extraction of the files embedded behind the configuration block into the per-launch
// directory.
#pragma once
#include <windows.h>

namespace tessel {

// Result of a name that would leave the per-launch directory (absolute, drive, "..", device).
constexpr int kUnsafeEmbeddedName = 3;

// Where the files go: into a per-launch directory made first (when the block declares
// embedded files), or into the one launchTempDir already names.
enum class ExtractInto { NewLaunchTempDir, CurrentLaunchTempDir };

// 0 on success, else the failed file's result.
int extractEmbeddedFiles(ExtractInto directory);
// The same from a given file (tests); a null file means the launcher's own executable,
// opened after the directory was made. Reads from blockEndPosition.
int extractEmbeddedFilesFrom(HANDLE file, ExtractInto directory);
// Writes the record at the file's position to `target`: 0 on success or for an empty record,
// 1 read failure (also a size beyond the end of the file), 2 write failure. Ends the process
// (key 1009, "11") when the target cannot be created.
int extractEmbeddedFile(HANDLE file, const wchar_t* target);
// Checked on the stored (Latin-1) name, before it is converted.
// True when the name stays inside the directory it is joined to: relative, no drive or
// stream colon, no component that Windows reads as "." or ".." or as a device (NUL, COM1).
bool isSafeEmbeddedName(const char* name) noexcept;

}  // namespace tessel
