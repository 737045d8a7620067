#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "byte_order.h"
#include "identity.h"
#include "identity_options.h"
#include "pe_image.h"
#include "resources.h"
#include "../tool_test_support.h"

namespace tessel::pe {
namespace {

std::vector<uint8_t> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string templatePath() {
  const char* dist = std::getenv("TESSEL_DIST");
  return std::string(dist ? dist : "build/dist") + "/launcher.exe";
}

// A 2x2 32-bit icon image (BITMAPINFOHEADER with doubled height, pixels, AND mask).
std::vector<uint8_t> iconImage(uint8_t size) {
  std::vector<uint8_t> img(40 + size * size * 4 + size * 4, 0);
  storeLe32(&img[0], 40);
  storeLe32(&img[4], size);
  storeLe32(&img[8], size * 2);
  storeLe16(&img[12], 1);
  storeLe16(&img[14], 32);
  return img;
}

std::vector<uint8_t> icoFile(std::initializer_list<uint8_t> sizes) {
  std::vector<std::vector<uint8_t>> images;
  for (uint8_t s : sizes) images.push_back(iconImage(s));
  std::vector<uint8_t> file(6 + 16 * images.size());
  storeLe16(&file[2], 1);
  storeLe16(&file[4], static_cast<uint16_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(file.size());
  size_t i = 0;
  for (uint8_t s : sizes) {
    uint8_t* e = &file[6 + 16 * i];
    e[0] = s;
    e[1] = s;
    storeLe16(e + 4, 1);
    storeLe16(e + 6, 32);
    storeLe32(e + 8, static_cast<uint32_t>(images[i].size()));
    storeLe32(e + 12, offset);
    offset += static_cast<uint32_t>(images[i].size());
    ++i;
  }
  for (auto& img : images) file.insert(file.end(), img.begin(), img.end());
  return file;
}

TEST(IconFiles, RejectTruncationAndLies) {
  std::vector<IconImage> images;
  std::string error;
  auto ico = icoFile({16, 32});
  ASSERT_TRUE(parseIco(ico, images, error)) << error;
  EXPECT_EQ(images.size(), 2u);
  auto truncated = ico;
  truncated.resize(truncated.size() - 10);
  EXPECT_FALSE(parseIco(truncated, images, error));
  EXPECT_NE(error.find("beyond the file"), std::string::npos) << error;
  auto lying = ico;
  storeLe16(&lying[4], 200);
  EXPECT_FALSE(parseIco(lying, images, error));
  EXPECT_FALSE(parseIco({'B', 'M'}, images, error));
}

TEST(BitmapFiles, RejectTruncationAndLies) {
  BitmapInfo info;
  std::vector<uint8_t> dib;
  std::string error;
  auto bmp = test::bmpFile(40, 30);
  ASSERT_TRUE(parseBmp(bmp, info, dib, error)) << error;
  EXPECT_EQ(info.width, 40);
  EXPECT_EQ(info.height, 30);
  EXPECT_EQ(dib.size(), bmp.size() - 14);
  auto cut = bmp;
  cut.resize(200);
  EXPECT_FALSE(parseBmp(cut, info, dib, error));
  auto huge = bmp;
  storeLe32(&huge[18], 100000);
  EXPECT_FALSE(parseBmp(huge, info, dib, error));
  auto lyingSize = bmp;
  storeLe32(&lyingSize[22], 3000);
  EXPECT_FALSE(parseBmp(lyingSize, info, dib, error));
  EXPECT_NE(error.find("truncated"), std::string::npos) << error;
}

TEST(VersionNumbers, Parse) {
  uint16_t v[4];
  EXPECT_TRUE(parseVersion("1.2.3", v));
  EXPECT_EQ(v[2], 3);
  EXPECT_EQ(v[3], 0);
  EXPECT_TRUE(parseVersion("1.2.3.4", v));
  EXPECT_FALSE(parseVersion("1.2.3.4.5", v));
  EXPECT_FALSE(parseVersion("1..2", v));
  EXPECT_FALSE(parseVersion("70000", v));
  EXPECT_FALSE(parseVersion("", v));
}

TEST(VersionResource, StringsReadBack) {
  VersionInfo info;
  info.company = u"Example Ltd";
  info.productName = u"Demo";
  info.fileVersionText = u"1.2.3.4";
  auto data = buildVersionResource(info);
  auto strings = readVersionStrings(data);
  ASSERT_EQ(strings.size(), 3u);
  EXPECT_EQ(strings[0].first, "CompanyName");
  EXPECT_EQ(strings[0].second, "Example Ltd");
}

// The documented form: fold the carry back after every 16-bit word, add the file size.
uint32_t referenceChecksum(const std::vector<uint8_t>& bytes, size_t at) {
  uint32_t sum = 0;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    if (i >= at && i < at + 4) continue;
    sum += bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  return sum + static_cast<uint32_t>(bytes.size());
}

TEST(Checksum, PiecesOfAnyLengthGiveTheChecksumOfTheWholeFile) {
  std::vector<uint8_t> whole(70001);
  uint32_t x = 12345;
  for (uint8_t& b : whole) b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 16);
  std::fill(whole.begin() + 1000, whole.begin() + 3000, 0xFF);  // long runs of carries
  const size_t at = 216;
  const uint32_t expected = referenceChecksum(whole, at);
  EXPECT_EQ(computeChecksum(whole, at), expected);
  for (size_t cut1 : {0u, 1u, 217u, 218u, 4097u}) {
    for (size_t cut2 : {cut1, cut1 + 1, cut1 + 3, size_t{69999}}) {
      std::vector<uint8_t> a(whole.begin(), whole.begin() + cut1);
      std::vector<uint8_t> b(whole.begin() + cut1, whole.begin() + cut2);
      std::vector<uint8_t> c(whole.begin() + cut2, whole.end());
      EXPECT_EQ(computeChecksum({&a, &b, &c}, at), expected) << cut1 << " " << cut2;
    }
  }
}

class TemplateResources : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes = readAll(templatePath());
    if (bytes.empty()) GTEST_SKIP() << "no launcher template at " << templatePath();
  }
  std::vector<uint8_t> bytes;
};

TEST_F(TemplateResources, RewriteKeepsTheImageConsistent) {
  Image image;
  std::string error;
  ASSERT_TRUE(parseImage(bytes, image, error)) << error;
  ASSERT_EQ(endOfSections(image), bytes.size()) << "the template must end with its last section";
  std::vector<Resource> resources;
  ASSERT_TRUE(readResources(image, resources, error)) << error;
  ASSERT_NE(findResource(resources, ResourceId::number(kRtManifest), ResourceId::number(1)), nullptr);
  // The template's own splash icon group, if any, and its icons are replaced.
  size_t replaced = 0;
  if (const Resource* old = findResource(resources, ResourceId::number(kRtGroupIcon),
                                         ResourceId::named("ID_SPLASH_ICON")))
    replaced = 1 + iconGroupIds(*old).size();
  const bool hadVersion =
      findResource(resources, ResourceId::number(kRtVersion), ResourceId::number(1)) != nullptr;
  const size_t before = resources.size() - replaced - (hadVersion ? 1 : 0);

  std::vector<IconImage> icons;
  ASSERT_TRUE(parseIco(icoFile({16, 32, 48}), icons, error));
  putIconGroup(resources, ResourceId::named("ID_SPLASH_ICON"), icons);
  VersionInfo info;
  info.productName = u"Demo";
  putResource(resources, Resource{ResourceId::number(kRtVersion), ResourceId::number(1), 0x0409,
                                  0, buildVersionResource(info)});
  ASSERT_TRUE(writeResources(image, resources, error)) << error;
  updateChecksum(image.bytes, image);

  Image again;
  ASSERT_TRUE(parseImage(image.bytes, again, error)) << error;
  EXPECT_EQ(endOfSections(again), again.bytes.size());
  std::vector<Resource> reread;
  ASSERT_TRUE(readResources(again, reread, error)) << error;
  EXPECT_EQ(reread.size(), before + 3 + 1 + 1);
  const Resource* group =
      findResource(reread, ResourceId::number(kRtGroupIcon), ResourceId::named("ID_SPLASH_ICON"));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(iconGroupIds(*group).size(), 3u);
  EXPECT_EQ(computeChecksum(again.bytes, checksumOffset(again)),
            loadLe32(&again.bytes[checksumOffset(again)]));
}

TEST_F(TemplateResources, DamagedResourceDirectoryIsReportedNotFollowed) {
  Image image;
  std::string error;
  ASSERT_TRUE(parseImage(bytes, image, error)) << error;
  uint32_t rva = 0, size = 0, offset = 0;
  ASSERT_TRUE(dataDirectory(image, kResourceDirectory, rva, size));
  ASSERT_TRUE(rvaToOffset(image, rva, offset));
  storeLe16(&image.bytes[offset + 14], 0xFFFF);  // far more entries than the section holds
  std::vector<Resource> resources;
  EXPECT_FALSE(readResources(image, resources, error));
  EXPECT_FALSE(error.empty());
}

TEST_F(TemplateResources, HeaderWithoutRoomForAnotherSectionIsRefusedUntouched) {
  Image image;
  std::string error;
  ASSERT_TRUE(parseImage(bytes, image, error)) << error;
  // Headers that end right after the section table leave no room for one more entry.
  const size_t tableEnd = image.optionalHeader + image.optionalSize + 40 * image.sections.size();
  storeLe32(&bytes[image.optionalHeader + 60], static_cast<uint32_t>(tableEnd));
  ASSERT_TRUE(parseImage(bytes, image, error)) << error;
  IdentityOptions options;
  options.executionLevel = "asInvoker";
  int32_t width = 0, height = 0;
  OptionError failure;
  EXPECT_FALSE(applyIdentity(image, options, width, height, failure));
  EXPECT_NE(failure.message.find("no room for another section"), std::string::npos) << failure.message;
  EXPECT_TRUE(failure.setting.empty());
  EXPECT_EQ(image.bytes, bytes);
}

}  // namespace
}  // namespace tessel::pe
