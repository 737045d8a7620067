#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "config_keys.h"
#include "files/runtime_home.h"
#include "util/bounded_text.h"
#include "gui_support.h"
#include "splash/splash_control.h"
#include "test_support.h"

namespace tessel {
namespace {

// This executable carries a raw image resource 10000: its bytes reach SplashLoadMemory.
TEST(RuntimeSplash, HandsTheImageResourceToTheLibrary) {
  test::configureSplash({{key::RuntimeSplash, "1"}});
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string home(exe);
  home = home.substr(0, home.rfind('\\')) + "\\..\\doubles\\splashscreen_dll\\splashscreen_double";
  copyText(runtimeHome, kPathCapacity, home.c_str());
  test::ScratchDir dir;
  std::string record = dir.file("splash.txt");
  SetEnvironmentVariableA("TESSEL_SPLASH_RECORD", record.c_str());

  splashControl(SW_SHOWNORMAL);
  splashControl(SW_SHOWNORMAL);  // already shown: nothing
  splashControl(0);
  HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(10000), MAKEINTRESOURCEA(10));
  ASSERT_NE(resource, nullptr);
  void* data = LockResource(LoadResource(nullptr, resource));
  char expected[256];
  std::snprintf(expected, sizeof expected, "SplashInit\nSplashLoadMemory %p %lu 47494638\nSplashClose\n",
                data, SizeofResource(nullptr, resource));
  EXPECT_EQ(test::readFile(record), expected);
}

}  // namespace
}  // namespace tessel
