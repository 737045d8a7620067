#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "config/config_access.h"
#include "diagnostics/log.h"
#include "util/paths.h"
#include "startup/command_line.h"
#include "config/launcher_flavour.h"

namespace tessel {
namespace {

TEST(LogOption, OnlyTheExactSpellingsAsFirstArgument) {
  for (const wchar_t* spelling :
       {L"-create-cvn-log", L"-create-tsl-log", L"/create-cvn-log", L"/create-tsl-log"}) {
    createLogOption = false;
    ArgumentList arguments{L"app.exe", spelling, L"x"};
    EXPECT_TRUE(takeLogOption(arguments));
    EXPECT_TRUE(createLogOption);
    EXPECT_EQ(arguments, (ArgumentList{L"app.exe", L"x"}));
  }
  for (ArgumentList arguments : {ArgumentList{L"app.exe", L"x", L"-create-cvn-log"},
                                 ArgumentList{L"app.exe", L"-CREATE-CVN-LOG"},
                                 ArgumentList{L"app.exe", L"-create-cvn-log "},
                                 ArgumentList{L"-create-cvn-log"}}) {
    createLogOption = false;
    ArgumentList before = arguments;
    EXPECT_FALSE(takeLogOption(arguments));
    EXPECT_FALSE(createLogOption);
    EXPECT_EQ(arguments, before) << "passed on like any argument";
  }
  createLogOption = false;
}

class PrepareLaunchSteps : public ::testing::Test {
 protected:
  void SetUp() override {
    clearConfiguration();
    GetCurrentDirectoryW(MAX_PATH, savedDirectory_);
  }
  void TearDown() override {
    clearConfiguration();
    SetCurrentDirectoryW(savedDirectory_);
  }
  wchar_t savedDirectory_[MAX_PATH];
};

TEST_F(PrepareLaunchSteps, FlavourAndCaptionFromKey2001) {
  EXPECT_FALSE(corvaneFlavour());
  EXPECT_STREQ(productCaptionW(), L"corvane");
  LauncherConfig[2001] = "t";
  EXPECT_FALSE(corvaneFlavour());
  EXPECT_STREQ(productCaptionW(), L"tessel");
  LauncherConfig[2001] = "tc";  // only the first character counts
  EXPECT_FALSE(corvaneFlavour());
  EXPECT_STREQ(productCaptionW(), L"tessel");
  LauncherConfig[2001] = "c";
  EXPECT_TRUE(corvaneFlavour());
  EXPECT_STREQ(productCaptionW(), L"corvane");
}

std::wstring withoutTrailingBackslash(std::wstring dir) {
  if (dir.size() > 3 && dir.back() == L'\\') dir.pop_back();
  return dir;
}

TEST_F(PrepareLaunchSteps, DotWorkingDirectoryIsTheLauncherDirectory) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  ASSERT_TRUE(SetCurrentDirectoryW(temp));
  LauncherConfig[146] = ".";
  changeWorkingDirectory();
  wchar_t now[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, now);
  EXPECT_EQ(std::wstring(now), withoutTrailingBackslash(launcherDirectoryW(PathForm::NarrowSafe)));
}

TEST_F(PrepareLaunchSteps, WorkingDirectoryIsExpandedAndMadeAbsolute) {
  LauncherConfig[146] = "${TESSEL_EXEDIR}sub\\..\\.";
  wchar_t directory[6000];
  ASSERT_TRUE(workingDirectoryFromConfig(directory));
  EXPECT_EQ(std::wstring(directory), withoutTrailingBackslash(launcherDirectoryW(PathForm::NarrowSafe)));
  LauncherConfig[146] = "C:\\Some\\Mixed\\Case";
  ASSERT_TRUE(workingDirectoryFromConfig(directory));
  EXPECT_EQ(std::wstring(directory), L"C:\\Some\\Mixed\\Case") << "case is kept";
}

TEST_F(PrepareLaunchSteps, MissingWorkingDirectoryLeavesItUnchanged) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  ASSERT_TRUE(SetCurrentDirectoryW(temp));
  wchar_t before[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, before);
  changeWorkingDirectory();
  wchar_t now[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, now);
  EXPECT_STREQ(now, before);
  wchar_t directory[6000];
  EXPECT_FALSE(workingDirectoryFromConfig(directory));
  EXPECT_STREQ(directory, L"");
}

}  // namespace
}  // namespace tessel
