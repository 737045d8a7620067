// Frame time of a status-line update on the native splash: the window of the default bitmap with
// both text lines, its status text replaced and repainted at once, many times; needs a display.
// Prints mean, median and 95th percentile per update in microseconds.
//   splash_frame_bench [updates]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/config_access.h"
#include "config_keys.h"
#include "splash/splash_window.h"

using namespace tessel;

namespace {

void pumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

}  // namespace

int main(int argc, char** argv) {
  int updates = argc > 1 ? std::atoi(argv[1]) : 300;
  if (updates < 1) updates = 1;
  LauncherConfig[key::SplashScreen] = "1";
  LauncherConfig[key::SplashWidth] = "400";
  LauncherConfig[key::SplashHeight] = "300";
  LauncherConfig[key::ApplicationName] = "splash frame bench";
  LauncherConfig[key::StatusLineText] = "Starting...";
  LauncherConfig[key::StatusLineX] = "20";
  LauncherConfig[key::StatusLineY] = "206";
  LauncherConfig[key::StatusLineSize] = "14";
  LauncherConfig[key::StatusLineWeight] = "700";
  LauncherConfig[key::VersionLineText] = "Version 1.0";
  LauncherConfig[key::VersionLineX] = "20";
  LauncherConfig[key::VersionLineY] = "272";
  LauncherConfig[key::VersionLineColour] = "255,255,255";
  // This thread plays the splash thread: it makes the window, shows it and updates it, so
  // each update repaints synchronously, as on the splash thread's timer tick.
  HWND window = createSplashWindow();
  if (!window) {
    std::fprintf(stderr, "no splash window (is there a display?)\n");
    return 1;
  }
  ShowWindow(window, SW_SHOWNORMAL);
  for (int i = 0; i < 20; ++i) {
    pumpMessages();
    Sleep(10);
  }

  std::vector<std::wstring> texts;
  for (int i = 0; i < updates; ++i) texts.push_back(L"Loading module " + std::to_wstring(i) + L"...");
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> micros;
  micros.reserve(static_cast<size_t>(updates));
  for (int i = 0; i < updates; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    setSplashStatusText(texts[static_cast<size_t>(i)].c_str());
    GdiFlush();
    QueryPerformanceCounter(&end);
    micros.push_back(1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
                     static_cast<double>(frequency.QuadPart));
    pumpMessages();
  }
  std::sort(micros.begin(), micros.end());
  double sum = 0;
  for (double m : micros) sum += m;
  std::printf("status-line update (replace text, repaint 400x300 through one off-screen bitmap):\n");
  std::printf("  %d updates: mean %.0f us, median %.0f us, 95th percentile %.0f us\n", updates,
              sum / updates, micros[micros.size() / 2], micros[micros.size() * 95 / 100]);
  DestroyWindow(window);
  return 0;
}
