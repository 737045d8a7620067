#include <gtest/gtest.h>

#include "block_reader.h"
#include "block_writer.h"

namespace tessel {
namespace {

TEST(BlockFormat, MinimalBlockIsTheDocumented41Bytes) {
  BlockContents block;
  block.strings.emplace_back(101, "A");
  std::vector<uint8_t> bytes = serializeBlock(block);
  const std::vector<uint8_t> expected = {
      0xD5, 0x13, 0xE4, 0xE8, 0, 0, 0, 0, 0, 0, 0, 0, 0x1D, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0,
      0x65, 0, 0, 0, 1, 0, 0, 0, 0x41, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(bytes, expected);
}

}  // namespace
}  // namespace tessel
