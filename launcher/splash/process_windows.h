// The process's own visible top-level windows, counted and activated per call (no state
// shared between threads).
#pragma once
#include <windows.h>

namespace tessel {

// Visible top-level windows of the process, leaving out this process's console window.
int countVisibleWindows(DWORD processId);
// Brings each visible top-level window of the process to the front; minimised ones stay so.
void bringWindowsToFront(DWORD processId);

}  // namespace tessel
