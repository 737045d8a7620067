#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "config/config_access.h"
#include "config_keys.h"
#include "instance/window_activation.h"

namespace tessel {
namespace {

// Windows need a display: without one these tests skip, unless the run asks for a display
// (the Xvfb run sets TESSEL_REQUIRE_DISPLAY), where a missing window is a failure.
class ProcessWindows : public ::testing::Test {
 protected:
  HWND make(bool visible) {
    HWND window = CreateWindowExA(0, "STATIC", "tessel window test",
                                  WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 10, 10, 200,
                                  100, nullptr, nullptr, nullptr, nullptr);
    if (window) windows_[count_++] = window;
    return window;
  }
  bool haveDisplay() {
    HWND probe = make(false);
    if (probe) return true;
    const char* required = std::getenv("TESSEL_REQUIRE_DISPLAY");
    EXPECT_FALSE(required && *required == '1') << "no window could be created";
    return false;
  }
  void TearDown() override {
    for (int i = 0; i < count_; ++i) DestroyWindow(windows_[i]);
  }
  HWND windows_[8] = {};
  int count_ = 0;
};

TEST_F(ProcessWindows, CountsVisibleTopLevelWindowsOfTheProcessOnly) {
  if (!haveDisplay()) GTEST_SKIP() << "no display";
  ASSERT_TRUE(make(true));
  ASSERT_TRUE(make(true));
  EXPECT_EQ(2, countProcessWindows(GetCurrentProcessId()));
  EXPECT_EQ(0, countProcessWindows(GetCurrentProcessId() + 4000000));
  EXPECT_TRUE(isWindowOfProcess(windows_[1], GetCurrentProcessId()));
}

TEST_F(ProcessWindows, RestoresMinimisedWindowsOnlyWhenAsked) {
  if (!haveDisplay()) GTEST_SKIP() << "no display";
  HWND window = make(true);
  ASSERT_TRUE(window);
  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(window));
  activateProcessWindows(GetCurrentProcessId(), false);
  EXPECT_TRUE(IsIconic(window));
  activateProcessWindows(GetCurrentProcessId(), true);
  EXPECT_FALSE(IsIconic(window));
  EXPECT_TRUE(IsWindowVisible(window));
}

// A count on one thread and an activation for another process on a second thread must not
// mix their targets.
TEST_F(ProcessWindows, ConcurrentCountAndActivationKeepTheirOwnTargets) {
  if (!haveDisplay()) GTEST_SKIP() << "no display";
  ASSERT_TRUE(make(true));
  ASSERT_TRUE(make(true));
  std::atomic<bool> stop{false};
  std::thread activator([&stop] {
    while (!stop.load()) activateProcessWindows(GetCurrentProcessId() + 4000000, false);
  });
  int wrong = 0;
  for (int i = 0; i < 300; ++i)
    if (countProcessWindows(GetCurrentProcessId()) != 2) ++wrong;
  stop.store(true);
  activator.join();
  EXPECT_EQ(0, wrong);
}

// The look-up borrows the console title and gives it back, and finds the console's window; a
// GUI executable (key 107 = 1) leaves the console alone. Wine's consoles without a display
// have no title, so there the test skips.
TEST(ConsoleWindow, LookUpFindsTheConsoleAndRestoresItsTitle) {
  FreeConsole();
  AllocConsole();
  if (!SetConsoleTitleA("tessel console title test")) {
    FreeConsole();
    const char* required = std::getenv("TESSEL_REQUIRE_DISPLAY");
    EXPECT_FALSE(required && *required == '1') << "the console has no title";
    GTEST_SKIP() << "no console title";
  }
  HWND found = lookUpOwnConsoleWindow();
  char title[256] = {};
  GetConsoleTitleA(title, sizeof title);
  EXPECT_STREQ("tessel console title test", title);
  EXPECT_NE(nullptr, found);
  EXPECT_EQ(GetConsoleWindow(), found);

  clearConfiguration();
  LauncherConfig[key::ExecutableType] = "1";
  EXPECT_EQ(nullptr, lookUpOwnConsoleWindow());
  clearConfiguration();
  FreeConsole();
}

}  // namespace
}  // namespace tessel
