#include <gtest/gtest.h>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "gui_support.h"
#include "splash/splash_control.h"
#include "splash/splash_state.h"

namespace tessel {
namespace {

using namespace test;

// The bitmap at the centre of the screen, the grey fill where the window is larger than the
// bitmap, the title, no border, and the text drawn in its colour at its position.
TEST(SplashWindow, ShowsTheBitmapCentredWithGreyBesideIt) {
  configureSplash({{key::SplashWidth, "60"}, {key::SplashHeight, "30"},
                   {key::StatusLineText, "\xdb\xdb\xdb"}, {key::StatusLineX, "44"},
                   {key::StatusLineY, "2"}, {key::StatusLineColour, "0,0,255"},
                   {key::StatusLineSize, "12"}, {key::StatusLineWeight, "700"}});
  splashControl(SW_SHOWNORMAL);
  HWND window = waitForVisibleSplash();
  ASSERT_NE(window, nullptr);

  RECT desktop, rect;
  GetWindowRect(GetDesktopWindow(), &desktop);
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left, (desktop.right - 60 - desktop.left) / 2);
  EXPECT_EQ(rect.top, (desktop.bottom - 30 - desktop.top) / 2);
  EXPECT_EQ(rect.right - rect.left, 60);
  EXPECT_EQ(rect.bottom - rect.top, 30);
  char title[128] = {};
  GetWindowTextA(window, title, sizeof title);
  EXPECT_EQ(std::string(title), LauncherConfig[key::ApplicationName]);
  EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & (WS_CAPTION | WS_BORDER | WS_THICKFRAME), 0);
  EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(messageOwnerWindow.load(), window);

  EXPECT_EQ(windowPixel(window, 2, 2), kTopLeft);
  EXPECT_EQ(windowPixel(window, 37, 2), kTopRight);
  EXPECT_EQ(windowPixel(window, 2, 17), kBottomLeft);
  EXPECT_EQ(windowPixel(window, 37, 17), kBottomRight);
  EXPECT_EQ(windowPixel(window, 20, 25), kLightGrey);  // below the bitmap
  int blue = 0;
  for (int x = 44; x < 60; ++x)
    for (int y = 2; y < 20; ++y)
      if (windowPixel(window, x, y) == RGB(0, 0, 255)) ++blue;
  EXPECT_GT(blue, 10) << "status text drawn in its colour right of the bitmap";

  splashControl(0);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(messageOwnerWindow.load(), nullptr);
  EXPECT_TRUE(waitForSplashGone()) << "the splash thread ends at the next tick";
  EXPECT_TRUE(waitUntil([] { return splashWindow.load() == nullptr; }, 5000))
      << "the handle of the window that went is cleared";
}

// The end of the launch: the splash thread ends before the entry point returns, with its
// window and handle, even while the splash is still up.
TEST(SplashControl, StopAtTheEndOfTheLaunchEndsTheThreadAndItsWindow) {
  configureSplash();
  int threads = processThreadCount();
  splashControl(SW_SHOWNORMAL);
  ASSERT_NE(waitForVisibleSplash(), nullptr);
  stopSplashThread();
  EXPECT_EQ(findOwnWindow("TesselSplashScreen"), nullptr);
  EXPECT_EQ(splashWindow.load(), nullptr);
  EXPECT_EQ(messageOwnerWindow.load(), nullptr);
  EXPECT_LE(processThreadCount(), threads);
  splashControl(0);  // a hide after the end finds no window to reach
}

TEST(SplashWindow, AlwaysOnTopKeyMakesItTopmost) {
  configureSplash({{key::SplashOnTop, "1"}});
  splashControl(SW_SHOWNORMAL);
  HWND window = waitForVisibleSplash();
  ASSERT_NE(window, nullptr);
  EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  splashControl(0);
  EXPECT_TRUE(waitForSplashGone());
}

// A width or height of 0 or less makes no window; the caller goes on.
TEST(SplashWindow, UnusableSizeMakesNoWindow) {
  for (const char* size : {"0", "-5"}) {
    configureSplash({{key::SplashHeight, size}});
    splashControl(SW_SHOWNORMAL);
    Sleep(300);
    EXPECT_EQ(findOwnWindow("TesselSplashScreen"), nullptr) << size;
    EXPECT_EQ(splashWindow.load(), nullptr);
    EXPECT_EQ(messageOwnerWindow.load(), nullptr);
  }
}

// Start-up with SW_HIDE: its show request is a hide, so no window ever appears.
TEST(SplashControl, HideBeforeTheThreadStartsShowsNothing) {
  configureSplash();
  splashControl(0);
  splashControl(SW_SHOWNORMAL);
  Sleep(400);
  EXPECT_EQ(findOwnWindow("TesselSplashScreen"), nullptr);
}

// A hide that arrives while the thread is making the window must still leave nothing on the
// screen: the window is either never shown or hidden again, and its thread ends.
TEST(SplashControl, HideRacingTheCreationLeavesNoVisibleWindow) {
  for (int delay = 0; delay < 40; delay += 2) {
    configureSplash();
    int threads = processThreadCount();
    splashControl(SW_SHOWNOACTIVATE);
    Sleep(static_cast<DWORD>(delay));
    splashControl(0);
    // Until the thread has ended, a window it is about to make would still count.
    ASSERT_TRUE(waitUntil([&] { return processThreadCount() <= threads; }, 5000))
        << "the splash thread ends after " << delay << " ms";
    EXPECT_EQ(findOwnWindow("TesselSplashScreen"), nullptr) << "after " << delay << " ms";
    EXPECT_EQ(messageOwnerWindow.load(), nullptr) << "after " << delay << " ms";
  }
}

// With auto-off, the first other visible window of the process hides the splash.
TEST(SplashControl, AutoOffHidesWhenTheApplicationShowsAWindow) {
  configureSplash({{key::SplashAutoOff, "1"}});
  splashControl(SW_SHOWNORMAL);
  HWND splash = waitForVisibleSplash();
  ASSERT_NE(splash, nullptr);
  Sleep(300);
  EXPECT_TRUE(IsWindowVisible(splash)) << "the splash alone does not switch it off";

  HWND application = CreateWindowExA(0, "STATIC", "application", WS_OVERLAPPEDWINDOW, 10, 10,
                                     200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(application, nullptr);
  ShowWindow(application, SW_SHOWNORMAL);
  DWORD shown = GetTickCount();
  EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(splash); }, 2000));
  EXPECT_LT(GetTickCount() - shown, 1000u);
  EXPECT_TRUE(waitForSplashGone());
  DestroyWindow(application);
}

// Without auto-off the application's window leaves the splash up.
TEST(SplashControl, WithoutAutoOffTheSplashStays) {
  configureSplash({{key::SplashAutoOff, "0"}});
  splashControl(SW_SHOWNORMAL);
  HWND splash = waitForVisibleSplash();
  ASSERT_NE(splash, nullptr);
  HWND application = CreateWindowExA(0, "STATIC", "application", WS_OVERLAPPEDWINDOW, 10, 10,
                                     200, 100, nullptr, nullptr, nullptr, nullptr);
  ShowWindow(application, SW_SHOWNORMAL);
  Sleep(500);
  EXPECT_TRUE(IsWindowVisible(splash));
  DestroyWindow(application);
  splashControl(0);
  EXPECT_TRUE(waitForSplashGone());
}

}  // namespace
}  // namespace tessel
