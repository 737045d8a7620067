// The zip reader on archives made here byte by byte: stored and deflated entries, and
// archives that lie about their sizes and offsets. A source that refuses reads outside the
// archive catches any attempt to read past it.
#include <gtest/gtest.h>

#include <cstring>

#include "byte_order.h"
#include "zip_maker.h"
#include "zip_reader.h"

namespace tessel::jar {
namespace {

using namespace test;

const std::string kManifest = "Manifest-Version: 1.0\r\nMain-Class: app.Main\r\n\r\n";

ZipStatus read(const std::vector<uint8_t>& zip, std::string& content, std::string& why,
               size_t limit = 1 << 20) {
  std::vector<uint8_t> bytes;
  ZipStatus status = readZipEntry(memoryZip(zip), "META-INF/MANIFEST.MF", limit, bytes, why);
  content.assign(bytes.begin(), bytes.end());
  return status;
}

TEST(ZipReader, FindsStoredAndDeflatedEntriesAmongOthersWithAnyLetterCase) {
  std::string big(5000, 'x');
  for (bool deflate : {false, true}) {
    std::vector<uint8_t> zip = makeZip({{"META-INF/", ""}, {"app/Main.class", big, deflate},
                                        {"meta-inf/manifest.mf", kManifest, deflate}},
                                       nullptr, "a comment with PK\x05\x06 inside");
    std::string content, why;
    ASSERT_EQ(read(zip, content, why), ZipStatus::Found) << why;
    EXPECT_EQ(content, kManifest);
  }
}

TEST(ZipReader, ReportsMissingEntryAndNonArchives) {
  std::string content, why;
  EXPECT_EQ(read(makeZip({{"a.txt", "a"}}), content, why), ZipStatus::NotFound);
  EXPECT_EQ(read(makeZip({}), content, why), ZipStatus::NotFound);
  std::vector<uint8_t> text(100, 'a');
  EXPECT_EQ(read(text, content, why), ZipStatus::Damaged);
  EXPECT_EQ(read({}, content, why), ZipStatus::Damaged);
  EXPECT_EQ(why, "too short to be a zip archive");
}

TEST(ZipReader, EveryTruncationIsRefusedWithoutReadingPastTheEnd) {
  for (bool deflate : {false, true}) {
    std::vector<uint8_t> zip = makeZip({{"META-INF/MANIFEST.MF", kManifest, deflate}});
    for (size_t size = 0; size < zip.size(); ++size) {
      std::vector<uint8_t> cut(zip.begin(), zip.begin() + static_cast<std::ptrdiff_t>(size));
      std::string content, why;
      EXPECT_NE(read(cut, content, why), ZipStatus::Found) << size;
      EXPECT_TRUE(content.empty());
    }
  }
}

TEST(ZipReader, LyingFieldsAreRefused) {
  Layout l;
  const std::vector<uint8_t> good = makeZip({{"META-INF/MANIFEST.MF", kManifest, true}}, &l);
  struct Lie {
    const char* what;
    size_t offset;
    uint32_t value;
    bool wide;
  };
  const Lie lies[] = {
      {"directory size", l.end + 12, 0xFFFFFF, true},
      {"directory offset", l.end + 16, 0xFFFFFF, true},
      {"name length", l.central[0] + 28, 0xFFFF, false},
      {"compressed size", l.central[0] + 20, 0xFFFFFF, true},
      {"plain size larger", l.central[0] + 24, 5000, true},
      {"plain size smaller", l.central[0] + 24, 3, true},
      {"local offset", l.central[0] + 42, 0xFFFFFF, true},
      {"local name length", l.local[0] + 26, 0xFFFF, false},
      {"checksum", l.central[0] + 16, 1234, true},
      {"method", l.central[0] + 10, 14, false},
      {"encrypted", l.central[0] + 8, 1, false},
      {"zip64 size", l.central[0] + 24, 0xFFFFFFFF, true},
      {"disk", l.end + 4, 1, false},
      {"comment length", l.end + 20, 40, false},
  };
  for (const Lie& lie : lies) {
    std::vector<uint8_t> zip = good;
    if (lie.wide) storeLe32(&zip[lie.offset], lie.value);
    else storeLe16(&zip[lie.offset], static_cast<uint16_t>(lie.value));
    std::string content, why;
    EXPECT_NE(read(zip, content, why), ZipStatus::Found) << lie.what;
    EXPECT_FALSE(why.empty()) << lie.what;
  }
}

TEST(ZipReader, DamagedDeflateStreamIsRefused) {
  Layout l;
  std::vector<uint8_t> zip = makeZip({{"META-INF/MANIFEST.MF", std::string(3000, 'm'), true}}, &l);
  const size_t data = l.local[0] + 30 + 20;
  for (size_t i = data; i < l.central[0]; ++i) zip[i] = 0xFF;
  std::string content, why;
  EXPECT_EQ(read(zip, content, why), ZipStatus::Damaged);
  EXPECT_TRUE(content.empty());
}

TEST(ZipReader, EntryLargerThanTheLimitIsNotRead) {
  std::vector<uint8_t> zip = makeZip({{"META-INF/MANIFEST.MF", std::string(2000, 'm'), true}});
  std::string content, why;
  EXPECT_EQ(read(zip, content, why, 1999), ZipStatus::TooLarge);
  EXPECT_EQ(read(zip, content, why, 2000), ZipStatus::Found);
}

// Bytes from a small generator: no sequence of them may make the reader fail other than
// by a status.
TEST(ZipReader, ScrambledArchivesNeverCrash) {
  const std::vector<uint8_t> good = makeZip({{"a", "b"}, {"META-INF/MANIFEST.MF", kManifest, true}});
  uint32_t state = 12345;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> zip = good;
    for (int k = 0; k < 4; ++k) {
      state = state * 1103515245u + 12345u;
      zip[(state >> 8) % zip.size()] = static_cast<uint8_t>(state >> 24);
    }
    std::string content, why;
    read(zip, content, why);
  }
}

}  // namespace
}  // namespace tessel::jar
