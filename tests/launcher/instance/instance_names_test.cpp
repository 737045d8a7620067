#include <gtest/gtest.h>

#include <string>

#include "instance/instance_guard.h"
#include "instance/instance_names.h"

namespace tessel {
namespace {

TEST(InstanceNames, ObjectNameReplacesBackslashesAndBlanksOnly) {
  char out[64];
  instanceObjectName(out, "c:\\program files\\my app\\app.exe");
  EXPECT_STREQ("c:_program_files_my_app_app.exe", out);
  instanceObjectName(out, "");
  EXPECT_STREQ("", out);
}

TEST(InstanceNames, SemaphoreNamesCarryNamespaceAndNumber) {
  char out[kInstanceNameCapacity];
  ASSERT_TRUE(instanceSemaphoreNameFor(out, sizeof out, false, "c:\\my app\\a.exe", -1));
  EXPECT_STREQ("Local\\c:_my_app_a.exe", out);
  ASSERT_TRUE(instanceSemaphoreNameFor(out, sizeof out, false, "c:\\my app\\a.exe", 0));
  EXPECT_STREQ("Local\\c:_my_app_a.exe0", out);
  ASSERT_TRUE(instanceSemaphoreNameFor(out, sizeof out, true, "c:\\my app\\a.exe", 12));
  EXPECT_STREQ("Global\\c:_my_app_a.exe12", out);
}

TEST(InstanceNames, NameThatDoesNotFitIsRefusedNotCut) {
  char out[24];
  EXPECT_TRUE(instanceSemaphoreNameFor(out, sizeof out, false, "c:\\a\\b.exe", 100000));
  EXPECT_FALSE(instanceSemaphoreNameFor(out, sizeof out, false, "c:\\abcdefghi\\b.exe", -1));
  EXPECT_STREQ("", out);
  EXPECT_FALSE(instanceSemaphoreNameFor(out, sizeof out, true, "c:\\abcdefg.exe", 100000));
  EXPECT_STREQ("", out);
}

TEST(SecondStartArguments, TextAfterProgramNameWithQuotesKept) {
  EXPECT_STREQ(L"-x \"a b\"", secondStartArguments(L"\"C:\\my app\\a.exe\"   -x \"a b\""));
  EXPECT_STREQ(L"one  two ", secondStartArguments(L"a.exe one  two "));
  EXPECT_STREQ(L"x", secondStartArguments(L"\"a.exe\"\tx"));
  // A quoted program name is taken whole even when the quote is followed by more text.
  EXPECT_STREQ(L"y", secondStartArguments(L"\"C:\\a b\"c.exe y"));
}

TEST(SecondStartArguments, EmptyWhenNothingFollows) {
  EXPECT_STREQ(L"", secondStartArguments(L"a.exe"));
  EXPECT_STREQ(L"", secondStartArguments(L"\"C:\\my app\\a.exe\""));
  EXPECT_STREQ(L"", secondStartArguments(L"a.exe    "));
  EXPECT_STREQ(L"", secondStartArguments(L"\"C:\\no closing quote.exe arg"));
  EXPECT_STREQ(L"", secondStartArguments(L""));
  EXPECT_STREQ(L"", secondStartArguments(nullptr));
}

}  // namespace
}  // namespace tessel
