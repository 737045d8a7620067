#include <gtest/gtest.h>
#include <windows.h>

#include <cstdarg>
#include <cstring>
#include <string>

#include "util/bounded_text.h"
#include "util/paths.h"
#include "test_support.h"

namespace tessel {
namespace {

TEST(Paths, RelativeTest) {
  struct Case { const char* path; bool relative; } cases[] = {
      {"a", true}, {"C:", true}, {"C:dir", true}, {"\\dir", true}, {"c:/x", true},
      {"C:\\", false}, {"C:\\dir", false}, {"\\\\server\\share", false},
      {"\"C:\\x\"", false}, {"\"C:", true}, {"lib\\a.jar", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isRelativePath(c.path), c.relative) << c.path;
    std::wstring wide(c.path, c.path + std::strlen(c.path));
    EXPECT_EQ(isRelativePathW(wide.c_str()), c.relative) << c.path;
  }
}

TEST(Paths, CollapseKeepsUncPrefix) {
  wchar_t unc[] = L"\\\\server\\\\share\\\\x";
  collapseBackslashesW(unc);
  EXPECT_STREQ(unc, L"\\\\server\\share\\x");
  char plain[] = "C:\\\\a\\\\\\b/c//d";
  collapseBackslashes(plain);
  EXPECT_STREQ(plain, "C:\\a\\b/c//d");
  char one[] = "\\";
  collapseBackslashes(one);
  EXPECT_STREQ(one, "\\");
}

TEST(Paths, LowerCaseOnlyAsciiLetters) {
  char path[] = "C:\\Lib\\App.JAR";
  lowerCasePath(path);
  EXPECT_STREQ(path, "c:\\lib\\app.jar");
  wchar_t wide[] = L"\u00C9A";
  lowerCasePathW(wide);
  EXPECT_STREQ(wide, L"\u00C9a");
}

TEST(Paths, DriveRootsExistWithoutLookingAtTheDisk) {
  EXPECT_TRUE(fileExists("Q:\\"));
  EXPECT_TRUE(fileExists("Q:\\."));
  EXPECT_TRUE(fileExists("Q:\\.\\."));
  EXPECT_FALSE(fileExists("Q:\\dir"));
  EXPECT_TRUE(fileExistsW(L"Q:\\"));
}

TEST(Paths, FindFileMatchesWildcardsAndReportsTime) {
  test::ScratchDir dir;
  dir.write("app.jar", "x");
  uint64_t when = 0;
  EXPECT_TRUE(findFile(dir.file("*.jar").c_str(), &when));
  EXPECT_NE(when, 0u);
  EXPECT_FALSE(findFile(dir.file("*.zip").c_str()));
}

TEST(Paths, ResolveAgainstLauncherDirectoryAndBaseFile) {
  const std::string dir = launcherDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '\\');
  char out[kPathCapacity];
  ASSERT_TRUE(resolvePath(out, "\\lib"));
  EXPECT_EQ(std::string(out), dir + "lib") << "the base ends in a backslash and runs collapse";
  ASSERT_TRUE(resolvePath(out, "C:\\abs\\x"));
  EXPECT_STREQ(out, "C:\\abs\\x");
  ASSERT_TRUE(resolvePath(out, "x.txt", "C:\\base\\file.cfg"));
  EXPECT_STREQ(out, "C:\\base\\x.txt");

  ASSERT_TRUE(absolutePath(out, "Lib\\App.JAR", PathCase::Lower));
  char lowerDir[kPathCapacity];
  copyText(lowerDir, kPathCapacity, dir.c_str());
  lowerCasePath(lowerDir);
  EXPECT_EQ(std::string(out), std::string(lowerDir) + "lib\\app.jar");
}

TEST(Paths, ResolvePathListDropsEmptyEntries) {
  char out[kPathCapacity];
  ASSERT_TRUE(resolvePathList(out, "a;;b;"));
  const std::string dir = launcherDirectory();
  EXPECT_EQ(std::string(out), dir + "a;" + dir + "b");
}

TEST(Paths, OverlongInputIsRefusedNotCut) {
  std::string longPath(kPathCapacity + 10, 'a');
  char out[kPathCapacity];
  EXPECT_FALSE(resolvePath(out, longPath.c_str()));
  EXPECT_STREQ(out, "");
  std::wstring wideLong(kPathCapacity - 2, L'a');
  wchar_t wout[kPathCapacity];
  EXPECT_FALSE(resolvePathW(wout, wideLong.c_str(), PathForm::Long)) << "the launcher directory is prepended";
}

TEST(Paths, LauncherPathIsTheRunningExecutable) {
  std::wstring wide = launcherPathW();
  EXPECT_EQ(wide.substr(wide.size() - 4), L".exe");
  std::string narrow = launcherPath();
  EXPECT_EQ(narrow.substr(narrow.size() - 4), ".exe");
  EXPECT_STREQ(narrowCopy(L"abc").get(), "abc");
}

TEST(BoundedText, NeverWritesPastTheBuffer) {
  char buf[8];
  std::memset(buf, 'z', sizeof(buf));
  EXPECT_FALSE(copyText(buf, 4, "abcdef"));
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(buf[4], 'z');
  EXPECT_FALSE(appendWhole(buf, 4, "d"));
  EXPECT_STREQ(buf, "abc");
  EXPECT_FALSE(formatText(buf, 4, "%d", 12345));
  EXPECT_STREQ(buf, "123");
  EXPECT_EQ(buf[4], 'z');
  wchar_t wide[4];
  EXPECT_FALSE(formatText(wide, 4, L"%s", L"abcdef"));
  EXPECT_EQ(std::wstring(wide).size(), 3u);
  EXPECT_TRUE(formatText(wide, 4, L"%S", "ab"));
  EXPECT_STREQ(wide, L"ab");
}

std::string formatIn(unsigned codePage, const char* format, ...) {
  char out[256];
  va_list args;
  va_start(args, format);
  formatTextInCodePage(out, sizeof(out), codePage, format, args);
  va_end(args);
  return out;
}

// Wide arguments are converted here, not through the C runtime's "C" locale, which stops
// at the first character beyond U+00FF; the C runtime's other conversions stay as they were.
TEST(BoundedText, WideArgumentsAreConvertedWhole) {
  EXPECT_EQ(formatIn(CP_UTF8, "dir %S, %s, %d|%5d|%-3d|%I64d|%.*s|%c%%|%p", L"\u0414\u0435\u043c\u043e \u2713 end",
                     "ansi", 42, 7, 1, 1LL << 40, 2, "abc", 'z', nullptr),
            "dir \u0414\u0435\u043c\u043e \u2713 end, ansi, 42|    7|1  |1099511627776|ab|z%|0000000000000000");
  EXPECT_EQ(formatIn(CP_UTF8, "%s", "\x80"), GetACP() == 1252 ? "\u20AC" : formatIn(CP_UTF8, "%S", L"?"))
      << "narrow arguments are ANSI text, converted too";
  char ansi[64];
  EXPECT_TRUE(formatText(ansi, sizeof(ansi), "[%S] %s", L"\u00e9\u0414 tail", "x"));
  char expected[64];
  WideCharToMultiByte(CP_ACP, 0, L"[\u00e9\u0414 tail] x", -1, expected, sizeof(expected), "?", nullptr);
  EXPECT_STREQ(ansi, expected) << "the ANSI form: '?' for what the code page lacks, never cut";
  char small[6];
  EXPECT_FALSE(formatText(small, sizeof(small), "%S", L"abcdefgh"));
  EXPECT_STREQ(small, "abcde");
}

}  // namespace
}  // namespace tessel
