// Where the process looks for libraries and programs named without a folder. The current
// directory is often a document's folder (a file association, a download): nothing found
// there may run.
#pragma once
#include <windows.h>

#include <string>

namespace tessel {

// Replaces the current directory in the process's library search by the launcher's own
// folder (searched first anyway). SetDllDirectoryW with an empty text would do on Windows,
// but Wine then keeps the current directory. False when the call failed.
bool keepCurrentDirectoryOutOfDllSearch() noexcept;
// The folder that takes the current directory's place in the library search from now on
// (a runtime's bin folder while its jvm.dll and the libraries it loads are found).
bool setDllSearchFolder(const wchar_t* folder) noexcept;

// The first `fileName` in the absolute entries of the PATH value `pathValue`, in order.
// Relative and empty entries (".", "bin", "C:bin", "\bin") are skipped: they name places
// below the current directory. Quotes around an entry are dropped. Fills `found` and
// `entry` (the PATH entry as written, unquoted); false when no absolute entry holds it.
bool findInAbsolutePathEntries(const std::wstring& pathValue, const wchar_t* fileName,
                               std::wstring& found, std::wstring& entry);
// True for "X:\..." and "\\server\share..." only.
bool isAbsolutePathEntry(const std::wstring& entry) noexcept;

}  // namespace tessel
