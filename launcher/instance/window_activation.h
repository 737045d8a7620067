// The visible top-level windows of a process: bring them to the front, or count them.
// Each call carries its own target, so calls on different threads never mix.
#pragma once
#include <windows.h>

namespace tessel {

// Makes each visible top-level window of the process the foreground window in turn (and its
// last active popup); with `restore`, minimised ones are restored first. EnumWindows' result.
BOOL activateProcessWindows(DWORD processId, bool restore);
// The visible top-level windows of the process, leaving out this process's console window.
int countProcessWindows(DWORD processId);
// This process's console window, looked up once (by a temporary unique console title);
// nullptr for a GUI executable (key 107 = 1) or when there is none.
HWND findOwnConsoleWindow();
// The look-up itself, uncached; the console title is the same afterwards.
HWND lookUpOwnConsoleWindow();
// True when the window belongs to the process.
bool isWindowOfProcess(HWND window, DWORD processId);

}  // namespace tessel
