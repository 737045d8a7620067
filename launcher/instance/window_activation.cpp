#include "instance/window_activation.h"

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"

namespace tessel {
namespace {

struct Activation {
  DWORD processId;
  bool restore;
};

struct WindowCount {
  DWORD processId;
  HWND console;
  int count;
};

BOOL CALLBACK activateWindow(HWND window, LPARAM parameter) {
  const Activation& target = *reinterpret_cast<const Activation*>(parameter);
  if (!IsWindowVisible(window) || !isWindowOfProcess(window, target.processId)) return TRUE;
  logLine("found window %p", static_cast<void*>(window));
  if (target.restore && IsIconic(window)) {
    logLine("restore");
    ShowWindow(window, SW_RESTORE);
  }
  logLine("foreground");
  SetForegroundWindow(window);
  logLine("popup");
  SetForegroundWindow(GetLastActivePopup(window));
  logLine("done");
  return TRUE;
}

BOOL CALLBACK countWindow(HWND window, LPARAM parameter) {
  WindowCount& target = *reinterpret_cast<WindowCount*>(parameter);
  if (IsWindowVisible(window) && isWindowOfProcess(window, target.processId) &&
      window != target.console)
    ++target.count;
  return TRUE;
}

}  // namespace

bool isWindowOfProcess(HWND window, DWORD processId) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  return owner == processId;
}

BOOL activateProcessWindows(DWORD processId, bool restore) {
  Activation target{processId, restore};
  return EnumWindows(activateWindow, reinterpret_cast<LPARAM>(&target));
}

HWND lookUpOwnConsoleWindow() {
  if (configInt(key::ExecutableType) == 1) return nullptr;
  char savedTitle[kPathCapacity];
  if (GetConsoleTitleA(savedTitle, sizeof savedTitle) == 0) return nullptr;
  char uniqueTitle[64];
  formatText(uniqueTitle, sizeof uniqueTitle, "%d/%d", static_cast<int>(GetTickCount()),
             static_cast<int>(GetCurrentProcessId()));
  if (!SetConsoleTitleA(uniqueTitle)) return nullptr;
  Sleep(40);  // the console window takes a moment to show the new title
  HWND console = FindWindowA(nullptr, uniqueTitle);
  SetConsoleTitleA(savedTitle);
  return console;
}

HWND findOwnConsoleWindow() {
  static const HWND console = lookUpOwnConsoleWindow();  // once per process, thread-safe
  return console;
}

int countProcessWindows(DWORD processId) {
  WindowCount target{processId, findOwnConsoleWindow(), 0};
  EnumWindows(countWindow, reinterpret_cast<LPARAM>(&target));
  return target.count;
}

}  // namespace tessel
