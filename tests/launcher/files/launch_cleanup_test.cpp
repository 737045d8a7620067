// Directories of ended launches go at the next start; a running launch's directory, whose
// lock file is held open, and anything not made by the launcher stay.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "files/launch_cleanup.h"
#include "files/temp_dir.h"
#include "util/handles.h"
#include "util/paths.h"
#include "test_support.h"

namespace tessel {
namespace {

bool exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A per-launch directory as a launch leaves it: companion file, directory, lock, contents.
std::string makeLaunchDir(const test::ScratchDir& temp, const std::string& name) {
  const std::string dir = temp.file(name);
  const size_t cut = name.find("_dir");
  if (cut != std::string::npos) temp.write(name.substr(0, cut), "");
  EXPECT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
  EXPECT_TRUE(CreateDirectoryA((dir + "\\lib").c_str(), nullptr));
  temp.write(name + "\\lib\\app.jar", "jar");
  temp.write(name + "\\" + kLaunchLockName, "");
  return dir;
}

TEST(LaunchCleanup, OnlyTheLaunchersOwnNamesAreRecognised) {
  for (const char* name : {"tsl1A2B.tmp_dir1733580000", "tsl0.tmp_dir1", "tslFFFFF.TMP_dir42",
                           "tsl4711_dir1733580000"})
    EXPECT_TRUE(isLaunchDirName(wideText(name).c_str())) << name;
  for (const char* name : {"tsl.tmp_dir1", "tsl123456.tmp_dir1", "tslXYZ.tmp_dir1",
                           "tsl12.tmp_dir", "tsl12.tmp_dir12x", "tsl12.tmp", "abc12.tmp_dir1",
                           "tsl12.tmp_dir1\\..", "Tsl12.tmp_dir1", "tsl12.tmpx_dir1"})
    EXPECT_FALSE(isLaunchDirName(wideText(name).c_str())) << name;
}

TEST(LaunchCleanup, EndedLaunchesGoWithTheirEmptyCompanionsOthersStay) {
  test::ScratchDir temp;
  const std::string ended = makeLaunchDir(temp, "tsl1A.tmp_dir1733580000");
  const std::string endedFallback = makeLaunchDir(temp, "tsl4711_dir1733580001");
  // Deeper trees and read-only files of the application go too.
  CreateDirectoryA((ended + "\\user").c_str(), nullptr);
  CreateDirectoryA((ended + "\\user\\a").c_str(), nullptr);
  temp.write("tsl1A.tmp_dir1733580000\\user\\a\\deep.txt", "x");
  SetFileAttributesA((ended + "\\user\\a\\deep.txt").c_str(), FILE_ATTRIBUTE_READONLY);

  const std::string running = makeLaunchDir(temp, "tsl2B.tmp_dir1733580000");
  unique_hfile held(CreateFileA((running + "\\" + kLaunchLockName).c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held) << "the running launch holds its lock without delete sharing";

  const std::string unlocked = makeLaunchDir(temp, "tsl3C.tmp_dir1733580000");
  ASSERT_TRUE(DeleteFileA((unlocked + "\\" + kLaunchLockName).c_str()));
  const std::string foreign = makeLaunchDir(temp, "tsl4D.tmp_dirX");
  const std::string keptCompanion = makeLaunchDir(temp, "tsl5E.tmp_dir1733580000");
  temp.write("tsl5E.tmp", "java -version output");

  EXPECT_EQ(3, removeEndedLaunchDirs(wideText(temp.path().c_str()).c_str()));
  EXPECT_FALSE(exists(ended));
  EXPECT_FALSE(exists(temp.file("tsl1A.tmp"))) << "the empty companion goes with it";
  EXPECT_FALSE(exists(endedFallback));
  EXPECT_FALSE(exists(temp.file("tsl4711")));
  EXPECT_FALSE(exists(keptCompanion));
  EXPECT_TRUE(exists(temp.file("tsl5E.tmp"))) << "a companion with content is not ours to drop";

  EXPECT_TRUE(exists(running + "\\lib\\app.jar")) << "a running launch loses nothing";
  EXPECT_TRUE(exists(temp.file("tsl2B.tmp")));
  EXPECT_TRUE(exists(unlocked + "\\lib\\app.jar")) << "no lock file: not known to have ended";
  EXPECT_TRUE(exists(foreign + "\\lib\\app.jar")) << "not the launcher's name";

  held.reset();  // that launch ends
  EXPECT_EQ(1, removeEndedLaunchDirs(wideText((temp.path() + "\\").c_str()).c_str()));
  EXPECT_FALSE(exists(running));
  EXPECT_FALSE(exists(temp.file("tsl2B.tmp")));
}

TEST(LaunchCleanup, AFileInUseKeepsTheDirectoryAndItsLockForTheNextTry) {
  test::ScratchDir temp;
  const std::string dir = makeLaunchDir(temp, "tsl6F.tmp_dir1733580000");
  unique_hfile inUse(CreateFileA((dir + "\\lib\\app.jar").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(inUse);
  EXPECT_EQ(0, removeEndedLaunchDirs(wideText(temp.path().c_str()).c_str()));
  EXPECT_TRUE(exists(dir + "\\" + kLaunchLockName));
  EXPECT_TRUE(exists(temp.file("tsl6F.tmp")));
  inUse.reset();
  EXPECT_EQ(1, removeEndedLaunchDirs(wideText(temp.path().c_str()).c_str()));
  EXPECT_FALSE(exists(dir));
}

TEST(LaunchCleanup, ANewLaunchDirectoryIsLockedAndEarlierEndedOnesAreGone) {
  test::ScratchDir temp;
  wchar_t savedTmp[MAX_PATH];
  DWORD n = GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH);
  const bool hadTmp = n > 0 && n < MAX_PATH;
  SetEnvironmentVariableA("TMP", temp.path().c_str());
  const std::string ended = makeLaunchDir(temp, "tsl7A.tmp_dir1733580000");

  createLaunchTempDir();
  const std::string made = narrowText(launchTempDir);
  EXPECT_FALSE(exists(ended)) << "removed before the new directory is made";
  ASSERT_FALSE(made.empty());
  EXPECT_TRUE(isLaunchDirName(wideText(made.substr(made.rfind('\\') + 1).c_str()).c_str())) << made;
  const std::string lock = made + "\\" + kLaunchLockName;
  EXPECT_FALSE(exists(lock)) << "the lock comes once the embedded files are in place";
  EXPECT_EQ(0, removeEndedLaunchDirs(wideText(temp.path().c_str()).c_str())) << "no lock yet: left alone";
  ASSERT_TRUE(lockLaunchDir(launchTempDir));
  EXPECT_TRUE(exists(lock));
  EXPECT_FALSE(DeleteFileA(lock.c_str())) << "the lock is held while the launch runs";
  EXPECT_EQ(0, removeEndedLaunchDirs(wideText(temp.path().c_str()).c_str()));

  removeLaunchTempDir();  // as a fatal exit does
  EXPECT_FALSE(exists(made));
  EXPECT_FALSE(exists(made.substr(0, made.find("_dir")))) << "nor its empty companion";
  launchTempDir[0] = 0;
  SetEnvironmentVariableW(L"TMP", hadTmp ? savedTmp : nullptr);
}

}  // namespace
}  // namespace tessel
