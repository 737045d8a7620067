// Hostile images and executables found by fuzzing the tool's readers: each was accepted, made
// the tool allocate far beyond its input or wrote a damaged executable.
#include <gtest/gtest.h>

#include "byte_order.h"
#include "identity.h"
#include "pe_image.h"
#include "resources.h"

namespace tessel::pe {
namespace {

// A minimal PE32+ image: two sections of 0x200 raw bytes behind 0x400 bytes of headers.
std::vector<uint8_t> smallImage() {
  std::vector<uint8_t> img(0x800, 0);
  img[0] = 'M';
  img[1] = 'Z';
  storeLe32(&img[60], 0x80);
  img[0x80] = 'P';
  img[0x81] = 'E';
  storeLe16(&img[0x84], 0x8664);
  storeLe16(&img[0x86], 2);
  storeLe16(&img[0x94], 240);
  const size_t opt = 0x98;
  storeLe16(&img[opt], 0x20B);
  storeLe32(&img[opt + 32], 0x1000);
  storeLe32(&img[opt + 36], 0x200);
  storeLe32(&img[opt + 56], 0x3000);
  storeLe32(&img[opt + 60], 0x400);
  storeLe32(&img[opt + 108], 16);
  for (uint32_t i = 0; i < 2; ++i) {
    uint8_t* h = &img[opt + 240 + 40 * i];
    h[0] = '.';
    h[1] = static_cast<uint8_t>('a' + i);
    storeLe32(h + 8, 0x200);
    storeLe32(h + 12, 0x1000 * (i + 1));
    storeLe32(h + 16, 0x200);
    storeLe32(h + 20, 0x400 + 0x200 * i);
  }
  return img;
}

size_t sectionHeader(const Image& image, size_t i) { return image.optionalHeader + image.optionalSize + 40 * i; }

TEST(HostileExecutables, ANewSectionNeverLandsOnTheHeadersOrAnotherSection) {
  std::vector<uint8_t> bytes = smallImage();
  Image image;
  std::string error;
  ASSERT_TRUE(parseImage(bytes, image, error)) << error;
  // The last section header claims no raw data at offset 0.
  storeLe32(&bytes[sectionHeader(image, 1) + 16], 0);
  storeLe32(&bytes[sectionHeader(image, 1) + 20], 0);
  ASSERT_TRUE(parseImage(bytes, image, error)) << error;
  ASSERT_TRUE(writeResources(image, {}, error)) << error;
  Image again;
  ASSERT_TRUE(parseImage(image.bytes, again, error)) << error;
  EXPECT_EQ(again.sections.back().rawOffset, 0x600u);
  EXPECT_TRUE(std::equal(bytes.begin() + 0x400, bytes.begin() + 0x600, again.bytes.begin() + 0x400));
}

TEST(HostileExecutables, HeaderFieldsThatWouldPlaceTheSectionFarAwayAreRefused) {
  const std::vector<uint8_t> good = smallImage();
  Image probe;
  std::string error;
  ASSERT_TRUE(parseImage(good, probe, error));
  struct Lie {
    size_t field;  // within the optional header
    uint32_t value;
  } lies[] = {{60, 0xFFFFFFFFu},   // SizeOfHeaders wrapped the new offset to 0
              {60, 0x5A4D0400u},   // SizeOfHeaders far beyond the file
              {36, 0x26000200u},   // a file alignment of 600 MB
              {32, 0}};            // no section alignment
  for (const Lie& lie : lies) {
    std::vector<uint8_t> bytes = good;
    storeLe32(&bytes[probe.optionalHeader + lie.field], lie.value);
    Image image;
    ASSERT_TRUE(parseImage(bytes, image, error));
    EXPECT_FALSE(writeResources(image, {}, error)) << lie.field << " " << lie.value;
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    EXPECT_EQ(image.bytes, bytes);
  }
}

TEST(HostileExecutables, ResourceEntriesSharingTheirDataAreRefused) {
  // One resource directory whose 300 language entries all point at one 0x100-byte data entry.
  std::vector<uint8_t> bytes = smallImage();
  Image image;
  std::string error;
  ASSERT_TRUE(parseImage(bytes, image, error));
  const uint32_t count = 300, base = 0x400;
  bytes.resize(0x400 + 0x2000, 0);
  uint8_t* h = &bytes[sectionHeader(image, 0)];
  storeLe32(h + 8, 0x2000);
  storeLe32(h + 16, 0x2000);
  storeLe32(&bytes[sectionHeader(image, 1) + 20], 0x2400);
  bytes.resize(0x2600, 0);
  storeLe32(&bytes[image.optionalHeader + 112 + 8 * kResourceDirectory], 0x1000);
  auto dir = [&](uint32_t at, uint16_t entries, uint32_t target, bool subdirectory) {
    storeLe16(&bytes[base + at + 14], entries);
    for (uint16_t i = 0; i < entries; ++i) {
      storeLe32(&bytes[base + at + 16 + 8 * i], i + 1u);
      storeLe32(&bytes[base + at + 20 + 8 * i], target | (subdirectory ? 0x80000000u : 0));
    }
  };
  dir(0, 1, 0x20, true);
  dir(0x20, 1, 0x40, true);
  dir(0x40, count, 0x1000, false);
  storeLe32(&bytes[base + 0x1000], 0x1000 + 0x1100);  // data RVA
  storeLe32(&bytes[base + 0x1004], 0x100);
  ASSERT_TRUE(parseImage(bytes, image, error)) << error;
  std::vector<Resource> resources;
  EXPECT_TRUE(readResources(image, resources, error) == false) << resources.size();
  EXPECT_NE(error.find("overlap"), std::string::npos) << error;
  // The same tree with a handful of entries reads.
  dir(0x40, 4, 0x1000, false);
  ASSERT_TRUE(parseImage(bytes, image, error));
  ASSERT_TRUE(readResources(image, resources, error)) << error;
  EXPECT_EQ(resources.size(), 4u);
}

TEST(HostileImages, IconEntriesSharingTheirBytesAreRefused) {
  // 200 directory entries, each claiming the same 2000 bytes.
  std::vector<uint8_t> ico(6 + 16 * 200 + 2000, 0);
  storeLe16(&ico[2], 1);
  storeLe16(&ico[4], 200);
  for (size_t i = 0; i < 200; ++i) {
    storeLe32(&ico[6 + 16 * i + 8], 2000);
    storeLe32(&ico[6 + 16 * i + 12], 6 + 16 * 200);
  }
  std::vector<IconImage> images;
  std::string error;
  EXPECT_FALSE(parseIco(ico, images, error));
  EXPECT_NE(error.find("overlap"), std::string::npos) << error;
}

TEST(HostileImages, BitmapsAndSplashImagesWithoutASize) {
  // A core-header bitmap of 0 x 1 pixels.
  std::vector<uint8_t> bmp = {'B', 'M', 40, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0, 12, 0, 0, 0,
                              0, 0, 1, 0, 1, 0, 24, 0};
  bmp.resize(40, 0);
  BitmapInfo info;
  std::vector<uint8_t> dib;
  std::string error;
  EXPECT_FALSE(parseBmp(bmp, info, dib, error));
  EXPECT_NE(error.find("invalid bitmap size 0x1"), std::string::npos) << error;

  int32_t width = 0, height = 0;
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                              0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0};
  EXPECT_FALSE(imageSize(png, width, height));
  png[16] = 0;
  png[20] = 0;
  png[23] = 7;
  ASSERT_TRUE(imageSize(png, width, height));
  EXPECT_EQ(width, 0xFFFFFF);
  EXPECT_EQ(height, 7);
  std::vector<uint8_t> topDown(26, 0);
  topDown[0] = 'B';
  topDown[1] = 'M';
  topDown[18] = 1;
  storeLe32(&topDown[22], 0x80000000u);  // the one height without a positive counterpart
  EXPECT_FALSE(imageSize(topDown, width, height));
}

}  // namespace
}  // namespace tessel::pe
