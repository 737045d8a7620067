#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "util/bounded_text.h"
#include "util/paths.h"
#include "util/current_user_security.h"
#include "files/launch_cleanup.h"
#include "files/temp_dir.h"
#include "test_support.h"

namespace tessel {
namespace {

// A scratch directory unique to this test process, removed with its contents afterwards.
class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    dir_ = std::wstring(base) + L"tessel_tempdir_test_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir_.c_str(), nullptr);
    DWORD n = GetEnvironmentVariableW(L"TMP", savedTmp_, MAX_PATH);
    hadTmp_ = n > 0 && n < MAX_PATH;
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"TMP", hadTmp_ ? savedTmp_ : nullptr);
    test::removeTree(dir_);
  }
  std::string narrowDir() const { return std::string(dir_.begin(), dir_.end()); }

  std::wstring dir_;
  wchar_t savedTmp_[MAX_PATH];
  bool hadTmp_ = false;
};

TEST_F(TempDir, ProbeNeedsAWritableExistingDirectory) {
  EXPECT_TRUE(isUsableTempDir(narrowDir().c_str()));
  EXPECT_TRUE(isUsableTempDirW(dir_.c_str()));
  EXPECT_TRUE(isUsableTempDir((narrowDir() + "\\").c_str())) << "doubled backslash is fine";
  EXPECT_FALSE(isUsableTempDir((narrowDir() + "\\missing").c_str()));
  EXPECT_FALSE(isUsableTempDirW((dir_ + L"\\missing").c_str()));
  const std::wstring file = dir_ + L"\\plain-file";
  HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_FALSE(isUsableTempDirW(file.c_str())) << "a file is no directory";
  EXPECT_FALSE(fileExistsW((dir_ + L"\\tsl_w_testdir").c_str())) << "the probe is removed";
}

TEST_F(TempDir, LeftoverProbeDoesNotFailTheCandidate) {
  ASSERT_TRUE(CreateDirectoryW((dir_ + L"\\tsl_w_testdir").c_str(), nullptr));
  EXPECT_TRUE(isUsableTempDirW(dir_.c_str()));
  EXPECT_FALSE(fileExistsW((dir_ + L"\\tsl_w_testdir").c_str()));
}

TEST_F(TempDir, RepresentableDirectoryIsKeptAsTheSystemGivesIt) {
  const std::wstring tmp = dir_ + L"\\plain";
  ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", tmp.c_str()));
  char out[kPathCapacity];
  tempPath(out);
  EXPECT_EQ(std::string(out), narrowDir() + "\\plain\\") << "with its trailing backslash";
  EXPECT_TRUE(fileExistsW(tmp.c_str())) << "the system directory is created when missing";
  EXPECT_FALSE(fileExistsW((tmp + L"\\tsl_w_testdir").c_str()));
}

// The user's own directory under its 8.3 name, not a directory that other users share.
TEST_F(TempDir, UnrepresentableDirectoryIsTakenInItsShortForm) {
  const std::wstring tmp = dir_ + L"\\\u65E5\u672C\u8A9E";  // not in the ANSI code page
  ASSERT_TRUE(CreateDirectoryW(tmp.c_str(), nullptr));
  ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", tmp.c_str()));
  wchar_t shortWide[MAX_PATH];
  ASSERT_NE(0u, GetShortPathNameW((tmp + L"\\").c_str(), shortWide, MAX_PATH));
  char out[kPathCapacity];
  tempPath(out);
  EXPECT_EQ(std::string(out), narrowText(shortWide));
  EXPECT_EQ(std::string(out).find('?'), std::string::npos) << out;
  char windowsDir[MAX_PATH];
  GetWindowsDirectoryA(windowsDir, MAX_PATH);
  EXPECT_NE(std::string(out).rfind(windowsDir, 0), 0u) << "a shared fallback was chosen";
  wchar_t wide[kPathCapacity];
  tempPathW(wide);
  EXPECT_EQ(std::wstring(wide), tmp + L"\\") << "the wide form keeps the real directory";
}

TEST_F(TempDir, TempFileNameCreatesTheFile) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", dir_.c_str()));
  char name[kPathCapacity];
  createTempFileName(name);
  ASSERT_NE(name[0], 0);
  EXPECT_EQ(std::string(name).rfind(narrowDir() + "\\tsl", 0), 0u) << name;
  EXPECT_TRUE(fileExists(name));
}

TEST_F(TempDir, FallbackNameHasItsBackslashAndSkipsTakenNumbers) {
  const std::wstring base = dir_;
  wchar_t name[kPathCapacity];
  ASSERT_TRUE(claimTempFileName(base.c_str(), 4711, name));
  EXPECT_EQ(std::wstring(name), base + L"\\tsl4711");
  EXPECT_TRUE(fileExistsW(name));
  ASSERT_TRUE(claimTempFileName((base + L"\\").c_str(), 4711, name));
  EXPECT_EQ(std::wstring(name), base + L"\\tsl4712") << "an existing name is never handed out";
  EXPECT_TRUE(fileExistsW(name));
  ASSERT_TRUE(claimTempFileName(base.c_str(), 32767, name));
  EXPECT_EQ(std::wstring(name), base + L"\\tsl32767");
  ASSERT_TRUE(claimTempFileName(base.c_str(), 32767, name));
  EXPECT_EQ(std::wstring(name), base + L"\\tsl0") << "numbers stay within 0 to 32767";
  EXPECT_FALSE(claimTempFileName((base + L"\\missing").c_str(), 1, name));
  EXPECT_STREQ(name, L"");
}

TEST_F(TempDir, LaunchDirectoryLeavesItsFileBesideIt) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", dir_.c_str()));
  createLaunchTempDir();
  const std::string made = narrowText(launchTempDir);
  launchTempDir[0] = 0;
  ASSERT_FALSE(made.empty());
  DWORD attributes = GetFileAttributesA(made.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  size_t cut = made.find("_dir");
  ASSERT_NE(cut, std::string::npos);
  EXPECT_EQ(made.rfind(narrowDir() + "\\tsl", 0), 0u) << made;
  EXPECT_TRUE(fileExists(made.substr(0, cut).c_str())) << "the claimed file stays";
  EXPECT_NE(made.back(), '\\');
}

// Under a profile whose name the code page lacks, the launch's files lie in the user's own
// directory, named by its long form; the runtime is given the 8.3 form of the same directory.
TEST_F(TempDir, LaunchDirectoryKeepsTheLettersOfTheUsersDirectory) {
  const std::wstring tmp = dir_ + L"\\\u0414\u0435\u043C\u043E \u65E5\u672C";  // no code page holds both
  ASSERT_TRUE(CreateDirectoryW(tmp.c_str(), nullptr));
  ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", tmp.c_str()));
  createLaunchTempDir();
  const std::wstring made = launchTempDir;
  const std::string narrow = narrowLaunchTempDir();
  removeLaunchTempDir();
  launchTempDir[0] = 0;
  EXPECT_EQ(made.rfind(tmp + L"\\tsl", 0), 0u) << narrowText(made.c_str());
  ASSERT_FALSE(narrow.empty());
  EXPECT_EQ(narrow.find('?'), std::string::npos) << narrow;
  wchar_t shortTmp[MAX_PATH];
  ASSERT_NE(0u, GetShortPathNameW(tmp.c_str(), shortTmp, MAX_PATH));
  EXPECT_EQ(narrow.rfind(narrowText(shortTmp), 0), 0u) << "the 8.3 form of the same directory";
  EXPECT_FALSE(fileExistsW(made.c_str())) << "removed, lock and all";
}

// A directory of the next name made first (by another user, in a shared fallback) is never
// taken over: the launch makes another.
TEST_F(TempDir, LaunchDirectoryIsNeverOneThatExists) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", dir_.c_str()));
  const std::string taken = narrowDir() + "\\taken";
  ASSERT_TRUE(CreateDirectoryA(taken.c_str(), nullptr));
  EXPECT_FALSE(createPrivateDirectory(wideText(taken.c_str()).c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(createPrivateDirectory(wideText((taken + "\\inner").c_str()).c_str()));
}

}  // namespace
}  // namespace tessel
