// Console attachment, the reboot request and the native-library path.
#pragma once

namespace tessel {

// True when the process has a console afterwards.
bool attachConsole();
// Asks Windows to restart (the shutdown privilege is requested first).
void rebootSystem();
// Puts the configured native-library directories in front of PATH.
void addNativeLibraryPath();

}  // namespace tessel
