// Path helpers in narrow (file-API code page) and wide (UTF-16) form. Output buffers hold
// kPathCapacity characters; a result that would not fit is refused (false, empty output),
// never cut and never written past the buffer.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace tessel {

// The running executable: narrow (8.3 form when the long one is not representable) and wide
// long form, with doubled backslashes collapsed. Cached; never free or change them.
const char* launcherPath();
const wchar_t* launcherPathW();
// False when the narrow path cannot name the executable: the file-API code page lacks some of
// its characters and the volume gives it no short name.
bool launcherPathIsNarrow();
// Fills the cached launcher directories (each ends in a backslash).
void launcherDirectories();
const char* launcherDirectory();
// Which form of the launcher directory wide code builds on: the long form, or the narrow
// directory read as text in the file-API code page, which converts back to the same narrow
// bytes (8.3 names where the code page cannot hold the long ones).
enum class PathForm { Long, NarrowSafe };
// Whether absolutePath lower-cases its result (look-up keys are lower case).
enum class PathCase { Lower, Keep };

const wchar_t* launcherDirectoryW(PathForm form);

// The code page of the narrow file functions.
unsigned fileApiCodePage();

// True when the path is not absolute ("X:\..." or "\\..."), also after a leading quote.
bool isRelativePath(const char* path);
bool isRelativePathW(const wchar_t* path);
// Runs of backslashes become one, except a leading pair (UNC).
void collapseBackslashes(char* path);
void collapseBackslashesW(wchar_t* path);
// A-Z become a-z; nothing else changes.
void lowerCasePath(char* path);
void lowerCasePathW(wchar_t* path);

// True when FindFirstFile finds the name (wildcards match); optionally its last-write time.
bool findFile(const char* name, uint64_t* lastWrite = nullptr);
bool findFileW(const wchar_t* name, uint64_t* lastWrite = nullptr);
// findFile without the time, but "X:\", "X:\." and "X:\.\." exist without a look at the disk.
bool fileExists(const char* path);
bool fileExistsW(const wchar_t* path);

// out = base directory + path for a relative path, else the path; backslashes collapsed.
// The base is the directory of `baseFile` when given, else the launcher directory.
bool resolvePath(char* out, const char* path, const char* baseFile = nullptr);
bool resolvePathW(wchar_t* out, const wchar_t* path, PathForm form,
                  const wchar_t* baseFile = nullptr);
// resolvePath against the launcher directory, made full; lower-cased with PathCase::Lower.
bool absolutePath(char* out, const char* path, PathCase letterCase);
// The same in wide form, case kept.
bool absolutePathW(wchar_t* out, const wchar_t* path, PathForm form);
// Each non-empty ";"-separated entry resolved against the launcher directory.
bool resolvePathList(char* out, const char* list);

// A narrow copy in the file-API code page; empty when nothing converts.
std::unique_ptr<char[]> narrowCopy(const wchar_t* text);
// Conversions in the file-API code page; false when the result does not fit or (for
// toNarrow with `lossy`) reports whether the default character was needed.
bool toNarrow(const wchar_t* in, char* out, size_t capacity, bool* lossy = nullptr);
bool toWide(const char* in, wchar_t* out, size_t capacity);
// Unbounded twins: narrow text in the file-API code page to wide and back. `lossy` (when
// given) tells whether a character had to be replaced by "?".
std::wstring wideText(const char* in);
std::string narrowText(const wchar_t* in, bool* lossy = nullptr);
// A narrow name for an existing (or not) path: the path itself when the file-API code page
// holds every character, else its short (8.3) form when that one does. False when neither
// works (no short name, or the path does not exist); `out` is then empty.
bool narrowPathOf(const wchar_t* path, std::string& out);

}  // namespace tessel
