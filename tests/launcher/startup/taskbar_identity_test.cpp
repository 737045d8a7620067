#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "config/config_access.h"
#include "config_keys.h"
#include "startup/taskbar_identity.h"

namespace tessel {
namespace {

// The ID the system now holds for this process; empty when none was set.
std::wstring currentId() {
  using GetIdFunction = HRESULT(WINAPI*)(wchar_t**);
  auto get = reinterpret_cast<GetIdFunction>(reinterpret_cast<void*>(
      GetProcAddress(LoadLibraryA("shell32.dll"), "GetCurrentProcessExplicitAppUserModelID")));
  if (!get) return L"(no function)";
  wchar_t* id = nullptr;
  if (FAILED(get(&id)) || !id) return L"";
  return id;  // the system's copy stays: one small string per test process
}

// Each test runs in a process of its own, so each starts with no ID.
TEST(TaskbarIdentity, TheConfiguredIdIsTheProcessId) {
  LauncherConfig.clear();
  LauncherConfig[key::AppUserModelId] = "Brightmoor.Notes.2";
  EXPECT_TRUE(setAppUserModelId());
  EXPECT_EQ(currentId(), L"Brightmoor.Notes.2");
}

TEST(TaskbarIdentity, NoKeyLeavesTheProcessWithoutOne) {
  LauncherConfig.clear();
  EXPECT_TRUE(setAppUserModelId());
  EXPECT_EQ(currentId(), L"");
}

TEST(TaskbarIdentity, AnIdLongerThanWindowsTakesIsNotCutButRefused) {
  LauncherConfig.clear();
  LauncherConfig[key::AppUserModelId] = std::string(129, 'a');
  EXPECT_FALSE(setAppUserModelId());
  EXPECT_EQ(currentId(), L"");
}

}  // namespace
}  // namespace tessel
