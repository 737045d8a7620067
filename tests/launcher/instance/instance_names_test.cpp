#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "instance/instance_guard.h"
#include "instance/instance_names.h"
#include "util/handles.h"

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

// A name over the kernel's limit would make no semaphore: it gets a short form that is stable,
// blind to case like the path, and different for another path.
TEST(InstanceNames, NameOverTheKernelLimitGetsAStableShortForm) {
  const std::string path = "c:\\" + std::string(300, 'a') + "\\app.exe";
  char out[kInstanceNameCapacity];
  bool shortened = false;
  ASSERT_TRUE(instanceSemaphoreNameFor(out, sizeof out, false, path.c_str(), 100000, &shortened));
  EXPECT_TRUE(shortened);
  const std::string name = out;
  EXPECT_EQ(name.size(), kObjectNameLimit);
  EXPECT_EQ(name.rfind("Local\\c:_aaa", 0), 0u) << name;
  EXPECT_EQ(name.substr(name.size() - 6), "100000");
  unique_handle semaphore(CreateSemaphoreA(nullptr, 1, 1, out));
  EXPECT_TRUE(semaphore) << "the kernel takes it: " << GetLastError();

  std::string upper = path;
  upper[0] = 'C';
  ASSERT_TRUE(instanceSemaphoreNameFor(out, sizeof out, false, upper.c_str(), 100000));
  EXPECT_EQ(std::string(out).substr(name.size() - 23), name.substr(name.size() - 23));
  std::string other = path;
  other[200] = 'b';
  ASSERT_TRUE(instanceSemaphoreNameFor(out, sizeof out, false, other.c_str(), 100000));
  EXPECT_NE(std::string(out), name) << "two paths, one name";

  ASSERT_TRUE(instanceSemaphoreNameFor(out, sizeof out, false, "c:\\my app\\a.exe", -1, &shortened));
  EXPECT_FALSE(shortened) << "a name that fits keeps its form";
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
