#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "block_writer.h"
#include "files/file_copy.h"
#include "util/handles.h"
#include "test_support.h"

namespace tessel {
namespace {

class FileCopy : public ::testing::Test {
 protected:
  test::ScratchDir dir;
};

TEST_F(FileCopy, UnmasksInChunks) {
  std::vector<uint8_t> content(13000);
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> record;
  appendEmbeddedRecord(record, content);
  dir.write("src.bin", std::string(record.begin() + 8, record.end()));

  unique_hfile source(CreateFileA(dir.file("src.bin").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  unique_hfile target(CreateFileA(dir.file("dst.bin").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, 0, nullptr));
  ASSERT_EQ(copyUnmaskedBytes(source.get(), target.get(), 13000), 0);
  target.reset();
  std::string copied = test::readFile(dir.file("dst.bin"));
  EXPECT_EQ(copied, std::string(content.begin(), content.end()));
}

TEST_F(FileCopy, ReportsShortSource) {
  dir.write("short.bin", std::string(100, 'a'));
  unique_hfile source(CreateFileA(dir.file("short.bin").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  unique_hfile target(CreateFileA(dir.file("out.bin").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, 0, nullptr));
  EXPECT_EQ(copyFileBytes(source.get(), target.get(), 500), 1);
  EXPECT_EQ(copyFileBytes(source.get(), target.get(), 0), 0);
  source.reset();
  unique_hfile readOnly(CreateFileA(dir.file("short.bin").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
  unique_hfile again(CreateFileA(dir.file("short.bin").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_EQ(copyFileBytes(again.get(), readOnly.get(), 10), 2) << "target not writable";
}

}  // namespace
}  // namespace tessel
