#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "config_keys.h"
#include "diagnostics/errors.h"
#include "gui_support.h"
#include "splash/splash_control.h"

namespace tessel {
namespace {

using namespace test;

// An error during start-up hides the splash, whose thread then ends; the error box must stay
// until the user closes it, however many ticks that takes.
TEST(ErrorBox, StaysUntilClosedAfterTheSplashHides) {
  std::string caption = "Splash Error " + std::to_string(GetCurrentProcessId());
  configureSplash({{key::MsgCaption, caption}});
  setBeforeErrorShownHook([] { splashControl(0); });  // as the entry point registers it
  splashControl(SW_SHOWNORMAL);
  HWND splash = waitForVisibleSplash();
  ASSERT_NE(splash, nullptr);

  std::atomic<bool> stayed{false};
  std::atomic<bool> splashGoneMeanwhile{false};
  std::atomic<bool> ownerKept{false};
  std::thread user([&] {
    HWND box = nullptr;
    if (!waitUntil([&] { return (box = FindWindowA("#32770", caption.c_str())) != nullptr; }, 5000))
      return;
    HWND owner = GetWindow(box, GW_OWNER);
    Sleep(800);  // several timer ticks: time enough for the splash thread to end
    stayed = IsWindow(box) && IsWindowVisible(box);
    splashGoneMeanwhile = !IsWindow(splash);
    // Windows destroys owned windows with their owner (Wine keeps them): whoever owns the box
    // must still be there.
    ownerKept = owner == nullptr || IsWindow(owner);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  DWORD start = GetTickCount();
  showError("the launch failed");
  DWORD shownFor = GetTickCount() - start;
  user.join();
  EXPECT_TRUE(stayed) << "the box went away by itself after " << shownFor << " ms";
  EXPECT_TRUE(splashGoneMeanwhile) << "the hidden splash's thread ends while the box is up";
  EXPECT_GE(shownFor, 800u);
  EXPECT_TRUE(ownerKept) << "the box's owner window went away while the box was up";
}

}  // namespace
}  // namespace tessel
