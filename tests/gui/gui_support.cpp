#include "gui_support.h"

#include <tlhelp32.h>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "splash/splash_state.h"

namespace tessel::test {

void configureSplash(std::initializer_list<std::pair<int, std::string>> extra) {
  clearConfiguration();
  splashStarted = false;
  splashHideRequested = false;
  splashAutoOff = false;
  splashEnding = false;
  splashWindow = nullptr;
  setMessageOwnerWindow(nullptr);
  setMessageTextSource(configMessageW);  // as loading the block does
  LauncherConfig[key::SplashScreen] = "1";
  LauncherConfig[key::SplashWidth] = std::to_string(kBitmapWidth);
  LauncherConfig[key::SplashHeight] = std::to_string(kBitmapHeight);
  LauncherConfig[key::ApplicationName] = "Splash Test " + std::to_string(GetCurrentProcessId());
  for (const auto& [k, v] : extra) LauncherConfig[k] = v;
}

bool waitUntil(const std::function<bool()>& condition, DWORD milliseconds) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > milliseconds) return condition();
    Sleep(10);
  }
  return true;
}

namespace {
struct Search {
  const char* className;
  HWND found;
};
BOOL CALLBACK match(HWND window, LPARAM parameter) {
  Search* search = reinterpret_cast<Search*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  if (process == GetCurrentProcessId() && lstrcmpA(name, search->className) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND findOwnWindow(const char* className) {
  Search search{className, nullptr};
  EnumWindows(match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND waitForVisibleSplash() {
  HWND window = nullptr;
  waitUntil([&] {
    window = findOwnWindow("TesselSplashScreen");
    return window && IsWindowVisible(window);
  }, 5000);
  if (!window || !IsWindowVisible(window)) return nullptr;
  // The first paint may lag behind the show on a loaded machine: wait until it is through.
  waitUntil([&] { return GetUpdateRect(window, nullptr, FALSE) == FALSE; }, 2000);
  Sleep(100);
  return window;
}

bool waitForSplashGone() {
  return waitUntil([] { return findOwnWindow("TesselSplashScreen") == nullptr; }, 5000);
}

int processThreadCount() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  CloseHandle(snapshot);
  return count;
}

COLORREF windowPixel(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return colour;
}

}  // namespace tessel::test
