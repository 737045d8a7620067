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

TEST_F(InstancePid, WaitCoversTheFirstInstanceWritingLate) {
  EXPECT_EQ(0u, waitForInstancePid(name_.c_str(), 2, 10));
  std::thread writer([this] {
    Sleep(300);
    writeInstancePid(name_.c_str());
  });
  DWORD pid = waitForInstancePid(name_.c_str(), 50, 100);
  writer.join();
  EXPECT_EQ(GetCurrentProcessId(), pid);
}

}  // namespace
}  // namespace tessel
