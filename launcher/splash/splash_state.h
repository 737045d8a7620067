// Splash state shared by the main thread (start-up, error dialogs) and the splash thread.
// Written once before the flag that publishes it; read without a lock.
#pragma once
#include <windows.h>

#include <atomic>

namespace tessel {

// The native splash window; none until the splash thread created it, and none again from the
// moment its thread starts to take it down. Other threads use it only while holding
// splashWindowLock, so they never reach a destroyed (or meanwhile reused) handle.
extern std::atomic<HWND> splashWindow;
extern SRWLOCK splashWindowLock;
// Set when the splash was shown, or by a hide that came first: no further window is made.
extern std::atomic<bool> splashStarted;
// Set by every hide, so that a window whose creation raced the hide is hidden again.
extern std::atomic<bool> splashHideRequested;
// Key 145: hide the splash once the process shows a window of its own.
extern std::atomic<bool> splashAutoOff;
// Set when the launch is over: the splash thread ends at its next tick without calling into
// the virtual machine or reading the configuration, both of which go away with the process.
extern std::atomic<bool> splashEnding;

}  // namespace tessel
