#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "config/config_access.h"
#include "config_keys.h"
#include "files/runtime_home.h"
#include "util/bounded_text.h"
#include "splash/splash_control.h"
#include "splash/splash_state.h"
#include "test_support.h"

namespace tessel {
namespace {

// Points the runtime home at a folder of the splashscreen.dll doubles and records its calls.
class RuntimeSplash : public ::testing::Test {
 protected:
  void use(const char* variant) {
    clearConfiguration();
    LauncherConfig[key::SplashScreen] = "1";
    LauncherConfig[key::RuntimeSplash] = "1";
    splashStarted = false;
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string home(exe);
    home = home.substr(0, home.rfind('\\')) + "\\..\\doubles\\splashscreen_dll\\" + variant;
    copyText(runtimeHome, kPathCapacity, home.c_str());
    SetEnvironmentVariableA("TESSEL_SPLASH_RECORD", record.c_str());
  }
  test::ScratchDir dir;
  std::string record = dir.file("splash.txt");
};

// This test executable has no raw image resource: the library gets no data and size 0.
TEST_F(RuntimeSplash, WithoutImageResourceLoadsNothingAndClosesOnHide) {
  use("splashscreen_double");
  splashControl(SW_SHOWNORMAL);
  EXPECT_TRUE(splashStarted);
  splashControl(0);
  splashControl(0);  // a second error dialog: the library's splash is already gone
  char expected[128];
  std::snprintf(expected, sizeof expected, "SplashInit\nSplashLoadMemory %p 0 00000000\nSplashClose\n",
                static_cast<void*>(nullptr));
  EXPECT_EQ(test::readFile(record), expected);
}

TEST_F(RuntimeSplash, MissingLibraryOrFunctionLeavesNoSplash) {
  use("no_such_runtime");
  splashControl(SW_SHOWNORMAL);
  EXPECT_FALSE(splashStarted);
  use("splashscreen_incomplete");
  splashControl(SW_SHOWNORMAL);
  EXPECT_FALSE(splashStarted);
  splashControl(0);
  EXPECT_EQ(test::readFile(record), "") << "nothing is called when a function is missing";
}

}  // namespace
}  // namespace tessel
