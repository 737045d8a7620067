#include <gtest/gtest.h>

#include "config/config_access.h"

namespace tessel {
namespace {

class ConfigAccess : public ::testing::Test {
 protected:
  void SetUp() override { clearConfiguration(); }
  void TearDown() override { clearConfiguration(); }
};

TEST_F(ConfigAccess, StringIsCutToCapacityAndAlwaysTerminated) {
  LauncherConfig[101] = "A";
  LauncherConfig[102] = "AB";
  char buffer[2] = {'x', 'x'};
  EXPECT_EQ(configString(101, buffer, 2), 1u);
  EXPECT_STREQ(buffer, "A");
  EXPECT_EQ(configString(102, buffer, 2), 1u);
  EXPECT_STREQ(buffer, "A");
  EXPECT_EQ(configString(999, buffer, 2), 0u);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(LauncherConfig.count(999), 0u) << "a lookup must not insert";
}

TEST_F(ConfigAccess, MessagesPreferTheWideTextOfTheLocaleOrTheBlock) {
  LauncherConfig[1005] = "narrow ?";
  LauncherConfig[1010] = "caf\xE9 only narrow";
  LauncherMessages[1005] = L"\u8D77\u52D5\u3067\u304D\u307E\u305B\u3093";
  wchar_t buffer[64];
  configMessageW(1005, buffer, 64);
  EXPECT_STREQ(buffer, L"\u8D77\u52D5\u3067\u304D\u307E\u305B\u3093");
  configMessageW(1010, buffer, 64);
  EXPECT_STREQ(buffer, L"caf\u00E9 only narrow") << "no wide record: the narrow one, widened";
  configMessageW(1011, buffer, 64);
  EXPECT_STREQ(buffer, L"");
  wchar_t small[3] = {L'x', L'x', L'x'};
  configMessageW(1005, small, 3);
  EXPECT_STREQ(small, L"\u8D77\u52D5") << "cut, terminated";
  EXPECT_EQ(LauncherMessages.count(1011), 0u) << "a lookup must not insert";
}

TEST(KeyedTexts, KeysSetInAnyOrderAreFoundAndReplaced) {
  KeyedTexts<std::string> table;
  const int32_t keys[] = {10123, 101, 2001, -5, 1000, 146, 0, 10003};
  for (int32_t key : keys) table[key] = std::to_string(key);
  table[146] = "replaced";
  EXPECT_EQ(table.size(), 8u) << "setting a key twice keeps one entry";
  for (int32_t key : keys) {
    ASSERT_NE(table.find(key), nullptr) << key;
    EXPECT_EQ(*table.find(key), key == 146 ? "replaced" : std::to_string(key));
  }
  EXPECT_EQ(table.find(102), nullptr);
  EXPECT_EQ(table.find(20000), nullptr);
  EXPECT_EQ(table.erase(2001), 1u);
  EXPECT_EQ(table.erase(2001), 0u);
  EXPECT_EQ(table.find(2001), nullptr);
  EXPECT_EQ(*table.find(10003), "10003") << "the neighbours survive an erase";
}

TEST_F(ConfigAccess, IntFollowsStrtol) {
  LauncherConfig[1] = "400";
  LauncherConfig[2] = "";
  LauncherConfig[3] = " 20px";
  LauncherConfig[4] = "-7";
  LauncherConfig[5] = "99999999999";
  LauncherConfig[6] = "px";
  EXPECT_EQ(configInt(1), 400);
  EXPECT_EQ(configInt(2), 0);
  EXPECT_EQ(configInt(3), 20);
  EXPECT_EQ(configInt(4), -7);
  EXPECT_EQ(configInt(5), 2147483647);
  EXPECT_EQ(configInt(6), 0);
  EXPECT_EQ(configInt(7), 0);
}

TEST_F(ConfigAccess, ColourPacksRedGreenBlue) {
  LauncherConfig[1] = "255,128,0";
  LauncherConfig[2] = "1,,2,,,3";
  LauncherConfig[3] = "256,0";
  EXPECT_EQ(configColor(1), 0x80FFu);
  EXPECT_EQ(configColor(2), 0x030201u);
  EXPECT_EQ(configColor(3), 0u) << "components keep their low 8 bits; missing ones are 0";
}

TEST_F(ConfigAccess, WideValueIsWidenedByteByByte) {
  LauncherConfig[1] = "caf\xE9";
  wchar_t buffer[8];
  configStringW(1, buffer, 8);
  EXPECT_EQ(std::wstring(buffer), std::wstring(L"caf\u00E9"));
  wchar_t small[3];
  configStringW(1, small, 3);
  EXPECT_EQ(std::wstring(small), std::wstring(L"ca"));
}

TEST_F(ConfigAccess, CopyIsIndependentAndEmptyWhenAbsent) {
  LauncherConfig[1] = "value";
  std::unique_ptr<char[]> copy = configStringCopy(1);
  std::unique_ptr<char[]> none = configStringCopy(2);
  EXPECT_STREQ(copy.get(), "value");
  EXPECT_STREQ(none.get(), "");
}

}  // namespace
}  // namespace tessel
