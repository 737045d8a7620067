#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "instance/instance_names.h"
#include "instance/instance_semaphore.h"

namespace tessel {
namespace {

// An executable path unique to this test, so parallel test processes never share names.
std::string uniqueExe() {
  static int counter = 0;
  return "c:\\semaphore tests\\" + std::to_string(GetCurrentProcessId()) + "_" +
         std::to_string(++counter) + "_" + std::to_string(GetTickCount()) + "\\app.exe";
}

std::string numbered(const std::string& exe, bool global) {
  char name[kInstanceNameCapacity];
  HANDLE h = createNumberedInstanceSemaphore(name, sizeof name, global, exe.c_str());
  EXPECT_NE(nullptr, h);
  return name;  // the handle stays open until the test process ends, as in an instance
}

TEST(InstanceSemaphore, CountingTakesTheLowestFreeNumber) {
  std::string exe = uniqueExe();
  char base[kInstanceNameCapacity];
  ASSERT_TRUE(instanceSemaphoreNameFor(base, sizeof base, false, exe.c_str(), -1));
  char name[kInstanceNameCapacity];
  HANDLE first = createNumberedInstanceSemaphore(name, sizeof name, false, exe.c_str());
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(std::string(base) + "0", name);
  EXPECT_EQ(std::string(base) + "1", numbered(exe, false));
  EXPECT_EQ(std::string(base) + "2", numbered(exe, false));
  CloseHandle(first);
  EXPECT_EQ(std::string(base) + "0", numbered(exe, false));
  EXPECT_EQ(std::string(base) + "3", numbered(exe, false));
}

TEST(InstanceSemaphore, GlobalNamespaceAppliesToNumberedNames) {
  std::string exe = uniqueExe();
  std::string first = numbered(exe, true);
  std::string second = numbered(exe, true);
  EXPECT_EQ(0u, first.rfind("Global\\", 0)) << first;
  EXPECT_EQ('0', first.back());
  EXPECT_EQ(0u, second.rfind("Global\\", 0)) << second;
  EXPECT_EQ('1', second.back());
}

TEST(InstanceSemaphore, SecondUnnumberedCreationSeesTheFirst) {
  std::string exe = uniqueExe();
  char name[kInstanceNameCapacity];
  bool running = true;
  HANDLE first = createInstanceSemaphore(name, sizeof name, false, exe.c_str(), &running);
  ASSERT_NE(nullptr, first);
  EXPECT_FALSE(running);
  EXPECT_EQ('e', std::string(name).back());  // no number in single-instance mode
  HANDLE second = createInstanceSemaphore(name, sizeof name, false, exe.c_str(), &running);
  EXPECT_TRUE(running);
  CloseHandle(second);
  CloseHandle(first);
  HANDLE again = createInstanceSemaphore(name, sizeof name, false, exe.c_str(), &running);
  EXPECT_FALSE(running);
  CloseHandle(again);
}

TEST(InstanceSemaphore, TooLongNameGivesNoSemaphoreAndNoName) {
  std::string exe = "c:\\" + std::string(kInstanceNameCapacity, 'x') + ".exe";
  char name[kInstanceNameCapacity];
  bool running = true;
  EXPECT_EQ(nullptr, createNumberedInstanceSemaphore(name, sizeof name, false, exe.c_str()));
  EXPECT_STREQ("", name);
  EXPECT_EQ(nullptr, createInstanceSemaphore(name, sizeof name, false, exe.c_str(), &running));
  EXPECT_FALSE(running);
  EXPECT_STREQ("", name);
}

}  // namespace
}  // namespace tessel
