// Rules of Windows file names that the launcher and the build tool both apply to the names of
// embedded files: the tool refuses a name the launcher would refuse to extract.
#pragma once
#include <cstddef>

namespace tessel {

// True when Windows opens a device, not a file, for a path component in any directory: CON,
// PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9 and LPT1-9 in any case, also with an extension
// ("NUL.txt") or blanks before it ("NUL .txt").
bool isDeviceName(const char* component, size_t length) noexcept;

// The file each launch holds open in its per-launch directory, where the embedded files go.
constexpr const char* kLaunchLockName = "tessel-launch.lock";
// True when a name in the per-launch directory is the launch's lock file, in any case (an
// embedded file of that name could never be written there).
bool isLaunchLockName(const char* name, size_t length) noexcept;

}  // namespace tessel
