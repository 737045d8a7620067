#include "splash/process_windows.h"

namespace tessel {

namespace {

struct Count {
  DWORD processId;
  HWND console;
  int windows;
};

bool visibleOf(HWND window, DWORD processId) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  return owner == processId && IsWindowVisible(window);
}

BOOL CALLBACK countWindow(HWND window, LPARAM parameter) {
  Count* count = reinterpret_cast<Count*>(parameter);
  if (window != count->console && visibleOf(window, count->processId)) ++count->windows;
  return TRUE;
}

BOOL CALLBACK frontWindow(HWND window, LPARAM parameter) {
  if (!visibleOf(window, static_cast<DWORD>(parameter))) return TRUE;
  SetForegroundWindow(window);
  SetForegroundWindow(GetLastActivePopup(window));
  return TRUE;
}

}  // namespace

int countVisibleWindows(DWORD processId) {
  Count count{processId, GetConsoleWindow(), 0};
  EnumWindows(countWindow, reinterpret_cast<LPARAM>(&count));
  return count.windows;
}

void bringWindowsToFront(DWORD processId) {
  EnumWindows(frontWindow, static_cast<LPARAM>(processId));
}

}  // namespace tessel
