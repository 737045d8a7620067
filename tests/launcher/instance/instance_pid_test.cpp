#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "instance/instance_pid.h"

namespace tessel {
namespace {

// A value name no other test process uses; removed again at the end.
class InstancePid : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    name_ = "c:\\tests\\" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++counter) + "\\app.exe";
  }
  void TearDown() override {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kInstancePidKey, 0, KEY_SET_VALUE, &key) == 0) {
      RegDeleteValueA(key, name_.c_str());
      RegCloseKey(key);
    }
  }
  void setRaw(DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(0, RegCreateKeyExA(HKEY_CURRENT_USER, kInstancePidKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                 nullptr, &key, nullptr));
    RegSetValueExA(key, name_.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }
  std::string name_;
};

TEST_F(InstancePid, WrittenIdIsReadBackAndOverwritten) {
  EXPECT_EQ(0u, readInstancePid(name_.c_str()));
  DWORD stale = 4242;
  setRaw(REG_DWORD, &stale, sizeof stale);
  EXPECT_EQ(4242u, readInstancePid(name_.c_str()));
  ASSERT_EQ(0, writeInstancePid(name_.c_str()));
  EXPECT_EQ(GetCurrentProcessId(), readInstancePid(name_.c_str()));
}

TEST_F(InstancePid, OnlyFourByteValuesCountWhateverTheirType) {
  unsigned long long wide = 77;
  setRaw(REG_QWORD, &wide, sizeof wide);
  EXPECT_EQ(0u, readInstancePid(name_.c_str()));
  DWORD asBinary = 78;
  setRaw(REG_BINARY, &asBinary, sizeof asBinary);
  EXPECT_EQ(78u, readInstancePid(name_.c_str()));
}

bool anyId(DWORD) { return true; }

TEST_F(InstancePid, WaitCoversTheFirstInstanceWritingLate) {
  EXPECT_EQ(0u, waitForInstancePid(name_.c_str(), 2, 10, anyId));
  std::thread writer([this] {
    Sleep(300);
    writeInstancePid(name_.c_str());
  });
  DWORD pid = waitForInstancePid(name_.c_str(), 50, 100, anyId);
  writer.join();
  EXPECT_EQ(GetCurrentProcessId(), pid);
}

// An id is only taken from a running process started from this very executable: not this
// process, not one that has ended, not another program that got the id later.
TEST_F(InstancePid, OnlyARunningProcessOfThisExecutableCounts) {
  EXPECT_FALSE(isRunningInstanceOfThisExecutable(0));
  EXPECT_FALSE(isRunningInstanceOfThisExecutable(GetCurrentProcessId()));
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(system) + L"\\cmd.exe\" /c exit 0";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                             nullptr, nullptr, &startup, &info));
  EXPECT_FALSE(isRunningInstanceOfThisExecutable(info.dwProcessId)) << "another program";
  DWORD stale = info.dwProcessId;
  setRaw(REG_DWORD, &stale, sizeof stale);
  EXPECT_EQ(0u, waitForInstancePid(name_.c_str(), 2, 10)) << "its id is refused";
  ResumeThread(info.hThread);
  WaitForSingleObject(info.hProcess, 30000);
  EXPECT_FALSE(isRunningInstanceOfThisExecutable(info.dwProcessId)) << "ended";
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
}

}  // namespace
}  // namespace tessel
