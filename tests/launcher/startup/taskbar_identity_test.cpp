#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "config/config_access.h"
#include "config_keys.h"
#include "startup/taskbar_identity.h"

namespace tessel {
namespace {

// Wine's shell32 accepts the ID but keeps nothing (its getter reports "not implemented"), so
// what the launcher passes is recorded here; the system's own call is made too.
std::wstring passed;
int calls;
long __stdcall recordId(const wchar_t* id) {
  ++calls;
  passed = id;
  return S_OK;
}
long __stdcall refuseId(const wchar_t*) { return E_INVALIDARG; }

// The ID the system holds for this process: empty when none, "(unknown)" when it cannot say.
std::wstring systemId() {
  using GetIdFunction = HRESULT(WINAPI*)(wchar_t**);
  auto get = reinterpret_cast<GetIdFunction>(reinterpret_cast<void*>(
      GetProcAddress(LoadLibraryA("shell32.dll"), "GetCurrentProcessExplicitAppUserModelID")));
  wchar_t* id = nullptr;
  const HRESULT result = get ? get(&id) : E_NOTIMPL;
  if (result == E_NOTIMPL) return L"(unknown)";
  return SUCCEEDED(result) && id ? id : L"";  // the system's copy stays: one string per test
}

TEST(TaskbarIdentity, TheConfiguredIdIsPassedWhole) {
  LauncherConfig.clear();
  LauncherConfig[key::AppUserModelId] = "Brightmoor.Notes.2";
  calls = 0;
  EXPECT_TRUE(setAppUserModelId(recordId));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(passed, L"Brightmoor.Notes.2");
  EXPECT_TRUE(setAppUserModelId()) << "shell32's own function takes it";
  const std::wstring held = systemId();
  if (held != L"(unknown)") EXPECT_EQ(held, L"Brightmoor.Notes.2");
}

TEST(TaskbarIdentity, NoKeyNoCall) {
  LauncherConfig.clear();
  calls = 0;
  EXPECT_TRUE(setAppUserModelId(recordId));
  EXPECT_EQ(calls, 0);
}

TEST(TaskbarIdentity, RefusedOrTooLongIsReportedNotCut) {
  LauncherConfig.clear();
  LauncherConfig[key::AppUserModelId] = "A.B";
  EXPECT_FALSE(setAppUserModelId(refuseId));
  LauncherConfig[key::AppUserModelId] = std::string(128, 'a');
  calls = 0;
  EXPECT_TRUE(setAppUserModelId(recordId));
  EXPECT_EQ(passed.size(), 128u);
  LauncherConfig[key::AppUserModelId] = std::string(129, 'a');
  calls = 0;
  EXPECT_FALSE(setAppUserModelId(recordId));
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace tessel
