#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "config/config_access.h"
#include "diagnostics/log.h"
#include "util/paths.h"
#include "startup/command_line.h"
#include "startup/startup_state.h"

namespace tessel {
namespace {

struct SplitCase {
  const wchar_t* line;
  std::vector<std::wstring> expected;
};

TEST(SplitCommandLine, FollowsTheQuotingRules) {
  const SplitCase cases[] = {
      {L"a b", {L"a", L"b"}},
      {L"a  b", {L"a", L"b"}},
      {L"\"a b\" c", {L"a b", L"c"}},
      {L"-Dx=\"a b\"", {L"-Dx=a b"}},
      {L"'it is'", {L"it is"}},
      {L"\"a'b\"", {L"a'b"}},
      {L"'a\"b'", {L"a\"b"}},
      {L"\"a b\"c", {L"a b", L"c"}},
      {L"\"\"", {L""}},
      {L"\"\" x", {L"", L"x"}},
      {L"\"abc", {L"abc"}},
      {L"", {}},
      {L"   ", {}},
      {L"a ", {L"a"}},
      {L"a\tb", {L"a\tb"}},  // only the blank separates
      {L"\"a b\"  c", {L"a b", L"c"}},
      {L"x'y z'w", {L"xy z", L"w"}},
      {L"a\\\"b c\"", {L"a\\b c"}},  // no escape character
  };
  for (const SplitCase& c : cases) {
    ArgumentList arguments;
    splitCommandLine(c.line, arguments);
    EXPECT_EQ(arguments, c.expected) << "line: " << std::string(c.line, c.line + wcslen(c.line));
  }
}

TEST(SplitCommandLine, ProgramComesFirstWithoutQuotes) {
  ArgumentList arguments;
  splitCommandLine(L"\"C:\\Program Files\\app.exe\" -x", arguments);
  ASSERT_EQ(arguments.size(), 2u);
  EXPECT_EQ(arguments[0], L"C:\\Program Files\\app.exe");
  EXPECT_EQ(arguments[1], L"-x");
}

TEST(SplitCommandLine, AppendsToWhatIsThere) {
  ArgumentList arguments{L"first"};
  splitCommandLine(L"second", arguments);
  EXPECT_EQ(arguments, (ArgumentList{L"first", L"second"}));
}

TEST(TakeQuotedArgument, ReturnsWhereSplittingGoesOn) {
  ArgumentList arguments;
  const wchar_t* text = L"ab\"c d\" e";
  const wchar_t* next = takeQuotedArgument(arguments, text + 2, text, L'"');
  EXPECT_EQ(arguments, (ArgumentList{L"abc d"}));
  EXPECT_EQ(next, text + 8) << "one blank after the closing quote is skipped";
  const wchar_t* open = L"\"xyz";
  next = takeQuotedArgument(arguments, open, open, L'"');
  EXPECT_EQ(*next, 0);
  EXPECT_EQ(arguments.back(), L"xyz");
}

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
  selectFlavour();
  EXPECT_EQ(launcherFlavor, 0);
  EXPECT_STREQ(productCaption, "corvane");
  EXPECT_STREQ(productCaptionW, L"corvane");
  LauncherConfig[2001] = "t";
  selectFlavour();
  EXPECT_EQ(launcherFlavor, 't');
  EXPECT_STREQ(productCaption, "tessel");
  EXPECT_STREQ(productCaptionW, L"tessel");
  LauncherConfig[2001] = "tc";  // only the first character counts
  selectFlavour();
  EXPECT_EQ(launcherFlavor, 't');
  LauncherConfig[2001] = "c";
  selectFlavour();
  EXPECT_EQ(launcherFlavor, 'c');
  EXPECT_STREQ(productCaption, "corvane");
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
  EXPECT_EQ(std::wstring(now), withoutTrailingBackslash(launcherDirectoryW(true)));
}

TEST_F(PrepareLaunchSteps, WorkingDirectoryIsExpandedAndMadeAbsolute) {
  LauncherConfig[146] = "${TESSEL_EXEDIR}sub\\..\\.";
  wchar_t directory[6000];
  ASSERT_TRUE(workingDirectoryFromConfig(directory));
  EXPECT_EQ(std::wstring(directory), withoutTrailingBackslash(launcherDirectoryW(true)));
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
