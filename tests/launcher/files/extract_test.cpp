#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "block_writer.h"
#include "byte_order.h"
#include "config/config_access.h"
#include "config/config_block.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "util/bounded_text.h"
#include "files/extract.h"
#include "util/handles.h"
#include "util/paths.h"
#include "files/temp_dir.h"
#include "file_names.h"
#include "test_support.h"

namespace tessel {
namespace {

std::string readWide(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return "(missing)";
  char buffer[256];
  DWORD n = 0;
  ReadFile(h, buffer, sizeof buffer, &n, nullptr);
  CloseHandle(h);
  return std::string(buffer, n);
}

std::vector<uint8_t> bytesOf(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// A file with some leading bytes (standing in for image and block), the records, a trailer.
class Extract : public ::testing::Test {
 protected:
  static constexpr uint32_t kBlockEnd = 300;

  void SetUp() override {
    clearConfiguration();
    setMessageTextSource(configMessageW);  // as loading the block does
    copyText(launchTempDir, kPathCapacity, wideText((outer.path() + "\\launch").c_str()).c_str());
    CreateDirectoryW(launchTempDir, nullptr);
    blockEndPosition = kBlockEnd;
    unextractedPosition = 0;
    data.assign(kBlockEnd, 0xEE);
  }
  void TearDown() override {
    clearConfiguration();
    launchTempDir[0] = 0;
    unextractedPosition = 0;
  }
  void addRecord(const std::string& content) { appendEmbeddedRecord(data, bytesOf(content)); }
  void addRawSize(int64_t size) {
    uint8_t field[8];
    storeLe64(field, static_cast<uint64_t>(size));
    data.insert(data.end(), field, field + 8);
  }
  void configure(int count, const std::string& names) {
    LauncherConfig[key::EmbeddedFileCount] = std::to_string(count);
    LauncherConfig[key::EmbeddedFileNames] = names;
  }
  int run(ExtractInto into = ExtractInto::CurrentLaunchTempDir) {
    recordsEnd = data.size();
    std::vector<uint8_t> withTrailer = data;
    if (trailer) withTrailer.insert(withTrailer.end(), {0xE8, 0xE4, 0x13, 0xD5, 0, 0, 0, 0});
    outer.write("app.exe", std::string(withTrailer.begin(), withTrailer.end()));
    unique_hfile file(CreateFileA(outer.file("app.exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(file.valid());
    return extractEmbeddedFilesFrom(file.get(), into);
  }
  std::string launched(const std::string& name) const {
    return narrowText(launchTempDir) + "\\" + name;
  }

  test::ScratchDir outer;
  std::vector<uint8_t> data;
  size_t recordsEnd = 0;
  bool trailer = true;
};

TEST_F(Extract, WritesFilesAndFirstLevelDirectoriesAndEmptyFiles) {
  std::string big(13000, 0);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31);
  addRecord(big);
  addRecord("");
  addRecord("second in lib");
  addRecord("top");
  configure(4, "lib\\a.jar;;empty.txt;lib\\b.jar;c.txt");

  ASSERT_EQ(run(), 0);
  EXPECT_EQ(test::readFile(launched("lib\\a.jar")), big) << "three chunks, unmasked";
  ASSERT_TRUE(fileExists(launched("empty.txt").c_str())) << "a size-0 record makes an empty file";
  EXPECT_EQ(test::readFile(launched("empty.txt")), "");
  EXPECT_EQ(test::readFile(launched("lib\\b.jar")), "second in lib");
  EXPECT_EQ(test::readFile(launched("c.txt")), "top");
  EXPECT_EQ(unextractedPosition, recordsEnd) << "just before the trailer";
}

// Stored names are Latin-1: "caf\xE9" is "café" whatever the code page, never "cafй".
TEST_F(Extract, NamesKeepTheirLettersUnderAnyCodePage) {
  addRecord("accent");
  addRecord("in a folder");
  configure(2, "caf\xE9.txt;\xC4pfel\\\xFC" "ber.txt");
  ASSERT_EQ(run(), 0);
  const std::wstring directory = launchTempDir;
  EXPECT_EQ(readWide(directory + L"\\caf\u00E9.txt"), "accent");
  EXPECT_EQ(readWide(directory + L"\\\u00C4pfel\\\u00FCber.txt"), "in a folder");
}

// The short name the file system gives the lock file in a directory of its own (the per-launch
// directory is new, and the lock file the only one of its kind in it).
std::wstring lockFileAlias() {
  test::ScratchDir probe;
  probe.write(kLaunchLockName, "");
  wchar_t shortPath[kPathCapacity];
  DWORD n = GetShortPathNameW(wideText(probe.file(kLaunchLockName).c_str()).c_str(), shortPath,
                              kPathCapacity);
  if (n == 0 || n >= kPathCapacity) return L"";
  std::wstring path(shortPath);
  return path.substr(path.rfind(L'\\') + 1);
}

TEST_F(Extract, FileNamedLikeTheLockFilesShortNameIsWrittenBesideTheHeldLock) {
  const std::wstring alias = lockFileAlias();
  if (alias.empty() || alias == wideText(kLaunchLockName)) GTEST_SKIP() << "no 8.3 names here";
  addRecord("not the lock");
  configure(1, narrowText(alias.c_str()));
  ASSERT_EQ(run(ExtractInto::NewLaunchTempDir), 0) << narrowText(alias.c_str());
  const std::wstring directory = launchTempDir;
  EXPECT_EQ(readWide(directory + L"\\" + alias), "not the lock");
  const std::wstring lock = directory + L"\\" + wideText(kLaunchLockName);
  EXPECT_TRUE(fileExistsW(lock.c_str())) << "the lock file is made after the files";
  EXPECT_FALSE(DeleteFileW(lock.c_str())) << "and held";
  removeLaunchTempDir();
  EXPECT_FALSE(fileExistsW(directory.c_str()));
}

TEST_F(Extract, NoFilesDeclaredTouchesNothing) {
  configure(0, "a.txt");
  copyText(launchTempDir, kPathCapacity, L"C:\\should-be-cleared");
  EXPECT_EQ(extractEmbeddedFilesFrom(INVALID_HANDLE_VALUE, ExtractInto::NewLaunchTempDir), 0);
  EXPECT_STREQ(launchTempDir, L"");
  EXPECT_EQ(unextractedPosition, 0u);
}

TEST_F(Extract, NameListAndCountDisagree) {
  addRecord("1");
  addRecord("2");
  addRecord("3");
  addRecord("not read");
  std::string names = "a;b;c";
  for (int i = 0; i < 10000; ++i) names += ";extra" + std::to_string(i);
  configure(3, names);
  ASSERT_EQ(run(), 0);
  EXPECT_EQ(test::readFile(launched("c")), "3");
  EXPECT_FALSE(fileExists(launched("extra0").c_str()));
  EXPECT_EQ(unextractedPosition, kBlockEnd + 3 * 9u) << "names beyond the count are ignored";

  configure(4, "a;b");
  ASSERT_EQ(run(), 0) << "fewer names than files is success";
  EXPECT_EQ(unextractedPosition, kBlockEnd + 2 * 9u);
}

TEST_F(Extract, RecordRunningPastTheEndFailsWithoutWritingAFile) {
  addRecord("fine");
  addRawSize(100);
  data.insert(data.end(), 10, 'x');
  configure(2, "ok.txt;cut.txt");
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(test::readFile(launched("ok.txt")), "fine");
  EXPECT_FALSE(fileExists(launched("cut.txt").c_str()));

  data.resize(kBlockEnd);
  addRawSize(INT64_MAX);
  configure(1, "huge.bin");
  EXPECT_EQ(run(), 1);
  EXPECT_FALSE(fileExists(launched("huge.bin").c_str()));
}

TEST_F(Extract, RecordCutOffWithTheFilesEndSaysTheFileIsIncomplete) {
  addRecord("fine");
  addRawSize(100);
  data.insert(data.end(), 10, 'x');
  configure(2, "ok.txt;cut.txt");
  trailer = false;  // a copy that stopped early lost the trailer with the rest
  LauncherConfig[key::MsgInternalError] = "internal error {0}";
  EXPECT_EXIT(
      {
        clearErrorDialogs();
        run();
      },
      ::testing::ExitedWithCode(1), "internal error 16\n\n.* is incomplete: it ends after 330 bytes");
}

TEST_F(Extract, NamesThatLeaveTheDirectoryAreRefused) {
  for (const char* name : {"..\\escaped.txt", "lib\\..\\..\\escaped.txt", "../escaped.txt",
                           "\\escaped.txt", "/escaped.txt", "C:\\escaped.txt", "C:escaped.txt",
                           "lib\\... \\escaped.txt", "ok.txt:stream"}) {
    SCOPED_TRACE(name);
    data.resize(kBlockEnd);
    addRecord("payload");
    configure(1, name);
    EXPECT_EQ(run(), kUnsafeEmbeddedName);
  }
  EXPECT_FALSE(fileExists(outer.file("escaped.txt").c_str()));
  EXPECT_FALSE(fileExists("C:\\escaped.txt"));

  data.resize(kBlockEnd);
  addRecord("payload");
  configure(1, "a.txt");
  launchTempDir[0] = 0;
  EXPECT_EQ(run(), kUnsafeEmbeddedName) << "no per-launch directory: nothing is written";
}

TEST(EmbeddedNames, SafeNamesStayInside) {
  EXPECT_TRUE(isSafeEmbeddedName("a.jar"));
  EXPECT_TRUE(isSafeEmbeddedName("lib\\a.jar"));
  EXPECT_TRUE(isSafeEmbeddedName("lib/a.jar"));
  EXPECT_TRUE(isSafeEmbeddedName("a..b.txt"));
  EXPECT_TRUE(isSafeEmbeddedName("..a"));
  EXPECT_TRUE(isSafeEmbeddedName("a.txt."));
  EXPECT_FALSE(isSafeEmbeddedName(""));
  EXPECT_FALSE(isSafeEmbeddedName(".."));
  EXPECT_FALSE(isSafeEmbeddedName("a\\.."));
  EXPECT_FALSE(isSafeEmbeddedName(". .\\x"));
  EXPECT_FALSE(isSafeEmbeddedName("\\\\server\\share\\x"));
  for (const char* device : {"NUL", "nul.txt", "lib\\COM1", "lib\\lpt9.jar", "CON .txt",
                             "aux", "CONOUT$", "prn\\a.txt"})
    EXPECT_FALSE(isSafeEmbeddedName(device)) << device;
  for (const char* ordinary : {"NULL", "COM", "COM10.txt", "LPT0", "console.txt", "lib\\nu.l"})
    EXPECT_TRUE(isSafeEmbeddedName(ordinary)) << ordinary;
}

TEST_F(Extract, ForwardSlashesAndTrailingDotsStayInside) {
  addRecord("first");
  addRecord("second");
  addRecord("dotted");
  configure(3, "lib\\a.jar;lib/b.jar;c.txt.");
  ASSERT_EQ(run(), 0);
  EXPECT_EQ(test::readFile(launched("lib\\b.jar")), "second")
      << "a slash works once the first level exists";
  EXPECT_EQ(test::readFile(launched("c.txt")), "dotted") << "Windows drops the trailing dot";
}

TEST_F(Extract, TargetThatCannotBeCreatedEndsTheLaunch) {
  addRecord("deep");
  configure(1, "a\\b\\c.txt");
  // Only the first level is made, so a second level cannot hold the file: key 1009 with "11".
  LauncherConfig[key::MsgInternalError] = "internal error {0}";
  EXPECT_EXIT(
      {
        clearErrorDialogs();
        run();
      },
      ::testing::ExitedWithCode(1), "internal error 11");
}

}  // namespace
}  // namespace tessel
