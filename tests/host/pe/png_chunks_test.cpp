// PNG images are checked chunk by chunk before they become an icon or the runtime's splash.
#include <gtest/gtest.h>

#include <zlib.h>

#include "identity.h"

namespace tessel::pe {
namespace {

void chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  const uint32_t n = static_cast<uint32_t>(data.size());
  png.insert(png.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
  const size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  const uint32_t crc = static_cast<uint32_t>(crc32(0, png.data() + start, static_cast<uInt>(png.size() - start)));
  png.insert(png.end(), {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
}

std::vector<uint8_t> png(bool withData = true, bool withEnd = true) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  chunk(out, "IHDR", {0, 0, 0, 16, 0, 0, 0, 16, 8, 6, 0, 0, 0});
  if (withData) chunk(out, "IDAT", {0x78, 0x9C, 0x63, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01});
  if (withEnd) chunk(out, "IEND", {});
  return out;
}

std::string problem(const std::vector<uint8_t>& file) {
  std::string why;
  return checkPngChunks(file.data(), file.size(), why) ? std::string() : why;
}

TEST(PngChunks, AWholeImagePassesAndEveryCutOfItIsRefused) {
  const std::vector<uint8_t> whole = png();
  EXPECT_EQ(problem(whole), "");
  for (size_t cut = 8; cut < whole.size(); ++cut)
    EXPECT_NE(problem(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(cut))), "")
        << cut;
  // A header and no image data, the icon the build used to accept.
  EXPECT_EQ(problem(png(false, false)), "truncated PNG: no image data (IDAT)");
  EXPECT_EQ(problem(png(false, true)), "damaged PNG: no image data (IDAT) before IEND");
  EXPECT_EQ(problem(png(true, false)), "truncated PNG: no IEND chunk at the end");
}

TEST(PngChunks, ChecksumsLengthsAndTrailingBytesAreChecked) {
  std::vector<uint8_t> flipped = png();
  flipped[43] ^= 1;  // inside the IDAT data
  EXPECT_EQ(problem(flipped).find("damaged PNG: the IDAT chunk at offset 33 fails its checksum"), 0u)
      << problem(flipped);
  std::vector<uint8_t> liar = png();
  liar[33] = 0x7F;  // IDAT claims about 2 GB
  EXPECT_EQ(problem(liar).find("truncated PNG: the IDAT chunk at offset 33 claims"), 0u) << problem(liar);
  std::vector<uint8_t> tail = png();
  tail.push_back(0);
  EXPECT_EQ(problem(tail), "damaged PNG: 1 bytes after IEND");
  std::vector<IconImage> images;
  std::string why;
  EXPECT_FALSE(iconFromPng(png(false, false), images, why));
  EXPECT_TRUE(iconFromPng(png(), images, why)) << why;
}

}  // namespace
}  // namespace tessel::pe
