#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "block_writer.h"
#include "byte_order.h"
#include "config/config_access.h"
#include "config/config_block.h"
#include "diagnostics/errors.h"
#include "util/handles.h"
#include "test_support.h"

namespace tessel {
namespace {

// A minimal image whose one section header puts the end of raw data at byte 128.
std::string fakeImageWith(const std::vector<uint8_t>& block) {
  std::string bytes(128, '\0');
  auto* p = reinterpret_cast<uint8_t*>(&bytes[0]);
  storeLe32(p + 60, 64);   // e_lfanew
  storeLe16(p + 70, 1);    // one section
  storeLe16(p + 84, 0);    // no optional header: last section header at 88
  storeLe32(p + 104, 16);  // raw size
  storeLe32(p + 108, 112); // raw offset
  bytes.append(block.begin(), block.end());
  return bytes;
}

class ConfigBlock : public ::testing::Test {
 protected:
  void SetUp() override { clearConfiguration(); }
  void TearDown() override { clearConfiguration(); }
  test::ScratchDir dir;
};

TEST_F(ConfigBlock, LoadsRecordsAndMatchingLocaleSectionsInFileOrder) {
  BlockContents block;
  block.strings = {{101, "Demo"}, {107, "1"}, {101, "Later wins"}};
  block.messages = {{1005, u"base"}, {1006, u"base6"}};
  block.sections.push_back({"en", {{1005, u"en"}}});
  block.sections.push_back({"en_US", {{1006, u"not for en"}}});
  block.sections.push_back({"", {{1006, u"empty tag matches"}}});
  block.sections.push_back({"de", {{1005, u"de"}}});
  std::vector<uint8_t> bytes = serializeBlock(block);
  dir.write("app.exe", fakeImageWith(bytes));

  unique_hfile file(CreateFileA(dir.file("app.exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(file.valid());
  EXPECT_EQ(loadConfigurationFrom(file.get(), {L"app.exe"}), 1);
  EXPECT_EQ(LauncherConfig[101], "Later wins");
  EXPECT_EQ(LauncherMessages[1005], L"en");
  EXPECT_EQ(LauncherMessages[1006], L"empty tag matches");
  EXPECT_EQ(blockEndPosition, 128u + bytes.size());
  wchar_t shown[16];
  messageTextW(1005, shown, 16);
  EXPECT_STREQ(shown, L"en") << "errors show the loaded texts";
  setMessageTextSource(nullptr);
}

}  // namespace
}  // namespace tessel
