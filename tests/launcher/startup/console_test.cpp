#include <gtest/gtest.h>
#include <windows.h>

#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "util/environment.h"
#include "util/paths.h"
#include "startup/console.h"
#include "startup/launcher_options.h"

namespace tessel {
namespace {

// --- reboot: the token steps for real, the final call replaced -------------------------------

struct RebootCall {
  int count = 0;
  UINT flags = 0;
  DWORD reason = 99;
};
RebootCall rebootCall;

BOOL WINAPI fakeExitWindows(UINT flags, DWORD reason) {
  ++rebootCall.count;
  rebootCall.flags = flags;
  rebootCall.reason = reason;
  return TRUE;
}

TEST(Reboot, AsksForARestartOnceThePrivilegeIsGranted) {
  auto savedCall = exitWindowsCall;
  auto savedDelay = rebootDelayMilliseconds;
  exitWindowsCall = fakeExitWindows;
  rebootDelayMilliseconds = 0;
  rebootCall = RebootCall();

  ASSERT_TRUE(enableShutdownPrivilege()) << "Wine grants the shutdown privilege";
  rebootSystem();
  exitWindowsCall = savedCall;
  rebootDelayMilliseconds = savedDelay;
  EXPECT_EQ(rebootCall.count, 1);
  EXPECT_EQ(rebootCall.flags, static_cast<UINT>(EWX_REBOOT));
  EXPECT_EQ(rebootCall.reason, 0u);
}

// --- console -----------------------------------------------------------------------------

TEST(Console, WithoutAParentConsoleANewOneIsAllocatedAndAttachingAgainIsHarmless) {
  // In a child process, so that this process keeps its own streams.
  EXPECT_EXIT(
      {
        bool first = attachConsole();
        bool second = attachConsole();
        // A second AllocConsole fails only when the process already has a console.
        const bool hasConsole = !AllocConsole();
        std::_Exit(first && second && hasConsole ? 7 : 8);
      },
      ::testing::ExitedWithCode(7), "");
}

TEST(Console, StreamsWithoutAHandleAreBoundToTheNewConsoleAndRedirectedOnesStay) {
  EXPECT_EXIT(
      {
        // As in a GUI program started from the desktop: no console, standard error bound to
        // nothing. Standard output stays redirected to the test's pipe.
        _close(_fileno(stderr));
        FreeConsole();
        const intptr_t redirected = _get_osfhandle(_fileno(stdout));
        const bool attached = attachConsole();
        const bool errorBound = _get_osfhandle(_fileno(stderr)) != -1 &&
                                std::fprintf(stderr, "to the console\n") > 0 &&
                                std::fflush(stderr) == 0;
        const bool outputKept = _get_osfhandle(_fileno(stdout)) == redirected;
        std::_Exit(attached && errorBound && outputKept ? 7 : 8);
      },
      ::testing::ExitedWithCode(7), "");
}

// --- options -q, -c, -console ------------------------------------------------------------

int attachCount = 0;
bool attachResult = true;
bool countingAttach() {
  ++attachCount;
  return attachResult;
}

struct OptionOutcome {
  int attached;
  bool dialogs;
};

OptionOutcome applyWith(const char* quiet, const char* console, const ArgumentList& arguments) {
  clearConfiguration();
  if (quiet) LauncherConfig[key::QuietConsoleOptions] = quiet;
  if (console) LauncherConfig[key::ConsoleOption] = console;
  showErrorDialogs = true;
  attachCount = 0;
  attachResult = true;
  applyLauncherOptions(arguments, countingAttach);
  OptionOutcome outcome{attachCount, showErrorDialogs};
  showErrorDialogs = true;
  clearConfiguration();
  return outcome;
}

TEST(LauncherOptions, KeysDecideWhichOptionsCount) {
  const ArgumentList all = {L"app.exe", L"-q", L"-console", L"-c"};
  OptionOutcome o = applyWith(nullptr, nullptr, all);
  EXPECT_EQ(o.attached, 0);
  EXPECT_TRUE(o.dialogs) << "both keys off: the options are the application's";

  o = applyWith("0", "1", all);
  EXPECT_EQ(o.attached, 1) << "-console only";
  EXPECT_TRUE(o.dialogs);

  o = applyWith("1", "0", {L"app.exe", L"-c", L"-q", L"-console"});
  EXPECT_EQ(o.attached, 1) << "the scan stops at -c";
  EXPECT_FALSE(o.dialogs);

  o = applyWith("1", nullptr, {L"app.exe", L"-q", L"-c"});
  EXPECT_EQ(o.attached, 1);
  EXPECT_FALSE(o.dialogs);

  o = applyWith("1", nullptr, {L"app.exe", L"-console", L"-console", L"-C", L"-Q", L"--c"});
  EXPECT_EQ(o.attached, 2) << "exact, case-sensitive comparison";
  EXPECT_TRUE(o.dialogs);
}

TEST(LauncherOptions, ConsoleFailureIsFatalOnlyForC) {
  clearConfiguration();
  LauncherConfig[key::QuietConsoleOptions] = "1";
  attachResult = false;
  applyLauncherOptions({L"app.exe", L"-console"}, [] { return false; });
  SUCCEED() << "-console without a console goes on";
  EXPECT_EXIT(applyLauncherOptions({L"app.exe", L"-c"}, [] { return false; }),
              ::testing::ExitedWithCode(1), "");
  EXPECT_TRUE(showErrorDialogs) << "the failed -c ran in the child";
  showErrorDialogs = true;
  clearConfiguration();
}

// --- native-library path -------------------------------------------------------------------

TEST(NativeLibraryPath, DirectoriesResolvedInFrontOfTheOldValue) {
  const std::wstring dir = launcherDirectoryW(PathForm::NarrowSafe);
  EXPECT_EQ(nativeLibraryPathValue(L"a;b", L"C:\\old"), dir + L"a;" + dir + L"b;C:\\old");
  EXPECT_EQ(nativeLibraryPathValue(L"", L"C:\\old"), L"C:\\old");
  EXPECT_EQ(nativeLibraryPathValue(L";;D:\\abs;;", L"C:\\old"), L"D:\\abs;C:\\old");
  EXPECT_EQ(nativeLibraryPathValue(L"D:\\abs", L""), L"D:\\abs;");
}

TEST(NativeLibraryPath, LongValuesAreKeptWhole) {
  std::wstring many;
  for (int i = 0; i < 2500; ++i) many += L"d" + std::to_wstring(i) + L";";
  const std::wstring oldPath(30000, L'p');
  std::wstring value = nativeLibraryPathValue(many, oldPath);
  EXPECT_GT(value.size(), 48000u);
  EXPECT_EQ(value.substr(value.size() - oldPath.size() - 1), L";" + oldPath);
  const std::wstring dir = launcherDirectoryW(PathForm::NarrowSafe);
  EXPECT_EQ(value.substr(0, dir.size() + 2), dir + L"d0");
}

std::wstring processPath() { return environmentValueW(L"PATH"); }

// PATH is read and written wide: an entry outside the ANSI code page stays as it is.
TEST(NativeLibraryPath, SetsTheProcessAndRuntimeEnvironmentWide) {
  const std::wstring saved = processPath();
  ASSERT_FALSE(saved.empty());
  const std::wstring longOld = saved + L";C:\\\u03a9mega dir;" + std::wstring(30000, L'q');
  ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", longOld.c_str()));

  clearConfiguration();
  addNativeLibraryPath();
  EXPECT_EQ(processPath(), longOld) << "nothing to put in front: PATH untouched";

  LauncherConfig[key::NativeLibraryDirectories] = "native;D:\\shared";
  addNativeLibraryPath();
  const std::wstring expected = std::wstring(launcherDirectoryW(PathForm::NarrowSafe)) + L"native;D:\\shared;" + longOld;
  EXPECT_EQ(processPath(), expected);
  const wchar_t* runtimeCopy = _wgetenv(L"PATH");
  ASSERT_NE(runtimeCopy, nullptr);
  EXPECT_EQ(std::wstring(runtimeCopy), expected);

  clearConfiguration();
  SetEnvironmentVariableW(L"PATH", saved.c_str());
  _wputenv((L"PATH=" + saved).c_str());
}

}  // namespace
}  // namespace tessel
