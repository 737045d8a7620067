// The numbered log file's name is made by the launcher itself, the same on every C runtime.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "test_support.h"

namespace tessel {
namespace {

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

TEST(LogName, FirstFreeNumberIsClaimedAndCreated) {
  test::ScratchDir dir;
  const std::wstring base = wide(dir.path());
  wchar_t name[kPathCapacity];
  ASSERT_TRUE(claimLogFileName(base.c_str(), name, kPathCapacity));
  EXPECT_EQ(std::wstring(name), base + L"\\cvn_nlog_1");
  EXPECT_NE(GetFileAttributesW(name), INVALID_FILE_ATTRIBUTES) << "the name is taken by a file";
  ASSERT_TRUE(claimLogFileName((base + L"\\").c_str(), name, kPathCapacity));
  EXPECT_EQ(std::wstring(name), base + L"\\cvn_nlog_2") << "one backslash after a trailing one";

  // A gap is filled first; a directory of a free-looking name is passed over.
  ASSERT_TRUE(DeleteFileW((base + L"\\cvn_nlog_1").c_str()));
  ASSERT_TRUE(CreateDirectoryW((base + L"\\cvn_nlog_3").c_str(), nullptr));
  ASSERT_TRUE(claimLogFileName(base.c_str(), name, kPathCapacity));
  EXPECT_EQ(std::wstring(name), base + L"\\cvn_nlog_1");
  ASSERT_TRUE(claimLogFileName(base.c_str(), name, kPathCapacity));
  EXPECT_EQ(std::wstring(name), base + L"\\cvn_nlog_4");
}

TEST(LogName, MissingDirectoryOrShortBufferClaimsNothing) {
  test::ScratchDir dir;
  const std::wstring base = wide(dir.path());
  wchar_t name[kPathCapacity];
  EXPECT_FALSE(claimLogFileName((base + L"\\missing").c_str(), name, kPathCapacity));
  EXPECT_STREQ(name, L"");
  wchar_t small[8];
  EXPECT_FALSE(claimLogFileName(base.c_str(), small, 8));
  EXPECT_STREQ(small, L"");
}

TEST(LogName, DirectoryIsTmpWhenItExistsElseTheRootOfDrive) {
  test::ScratchDir dir;
  wchar_t saved[kPathCapacity];
  DWORD n = GetEnvironmentVariableW(L"TMP", saved, kPathCapacity);
  const bool had = n > 0 && n < kPathCapacity;
  wchar_t out[kPathCapacity];

  SetEnvironmentVariableW(L"TMP", wide(dir.path()).c_str());
  ASSERT_TRUE(logDirectory(out, kPathCapacity));
  EXPECT_EQ(std::wstring(out), wide(dir.path()));

  SetEnvironmentVariableW(L"TMP", wide(dir.file("missing")).c_str());
  ASSERT_TRUE(logDirectory(out, kPathCapacity));
  EXPECT_EQ(std::wstring(out), L"c:\\") << "a TMP that names no directory is passed over";

  SetEnvironmentVariableW(L"TMP", had ? saved : nullptr);
}

}  // namespace
}  // namespace tessel
