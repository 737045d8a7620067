#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "discovery/runtime_fixture.h"
#include "discovery/unpack.h"

namespace tessel {
namespace {

using namespace fixture;

class Unpack : public ::testing::Test {
 protected:
  void SetUp() override {
    home = makeUniqueDirectory("unpack");
    makeDirectories(home + "\\lib\\ext");
    makeDirectories(home + "\\bin");
    ASSERT_TRUE(CopyFileA((doublesDirectory() + "\\unpack200\\unpack200.exe").c_str(),
                          (home + "\\bin\\unpack200.exe").c_str(), FALSE));
  }
  void TearDown() override { removeTree(home); }
  std::string home;
};

TEST_F(Unpack, BothFoldersAreUnpackedAndThePackedFilesRemoved) {
  writeFile(home + "\\lib\\rt.jar.pack", "runtime classes");
  writeFile(home + "\\lib\\ext\\localedata.jar.pack", "locale data");
  writeFile(home + "\\lib\\notes.pack", "not an archive");
  unpackRuntimeArchives(wide(home).c_str());
  EXPECT_EQ(readFile(home + "\\lib\\rt.jar"), "runtime classes");
  EXPECT_EQ(readFile(home + "\\lib\\ext\\localedata.jar"), "locale data");
  EXPECT_FALSE(exists(home + "\\lib\\rt.jar.pack"));
  EXPECT_FALSE(exists(home + "\\lib\\ext\\localedata.jar.pack"));
  EXPECT_TRUE(exists(home + "\\lib\\notes.pack"));
  unpackRuntimeArchives(wide(home).c_str());  // nothing left: must be a no-op
  EXPECT_EQ(readFile(home + "\\lib\\rt.jar"), "runtime classes");
}

TEST_F(Unpack, AnExistingTargetKeepsBothFiles) {
  writeFile(home + "\\lib\\rt.jar", "already there");
  writeFile(home + "\\lib\\rt.jar.pack", "packed");
  DeleteFileA((home + "\\bin\\unpack200.exe").c_str());  // would be fatal if it were run
  unpackRuntimeArchives(wide(home).c_str());
  EXPECT_EQ(readFile(home + "\\lib\\rt.jar"), "already there");
  EXPECT_TRUE(exists(home + "\\lib\\rt.jar.pack"));
}

TEST_F(Unpack, FailedUnpackKeepsThePackedArchiveAndRemovesThePartialTarget) {
  writeFile(home + "\\lib\\rt.jar.pack", "FAIL: a damaged archive");
  unpackRuntimeArchives(wide(home).c_str());
  EXPECT_EQ(readFile(home + "\\lib\\rt.jar.pack"), "FAIL: a damaged archive");
  EXPECT_FALSE(exists(home + "\\lib\\rt.jar")) << "the next start must try again";
}

// The tool gets its own name as argv[0] (the double refuses a command line that starts with
// "-r"), also from a folder with blanks.
TEST_F(Unpack, RuntimeInAFolderWithBlanks) {
  std::string spaced = makeUniqueDirectory("unpack blanks") + "\\My Runtime";
  makeDirectories(spaced + "\\lib");
  makeDirectories(spaced + "\\bin");
  ASSERT_TRUE(CopyFileA((home + "\\bin\\unpack200.exe").c_str(),
                        (spaced + "\\bin\\unpack200.exe").c_str(), FALSE));
  writeFile(spaced + "\\lib\\rt.jar.pack", "runtime classes");
  EXPECT_EQ(runUnpack200(wide(spaced).c_str(), wide(spaced + "\\lib\\rt.jar.pack").c_str()),
            UnpackResult::Done);
  EXPECT_EQ(readFile(spaced + "\\lib\\rt.jar"), "runtime classes");
  EXPECT_FALSE(exists(spaced + "\\lib\\rt.jar.pack"));
  removeTree(spaced.substr(0, spaced.rfind('\\')));
}

// A tool that never ends is stopped at the time limit; the archive stays packed for the next
// start and its partial target goes.
TEST_F(Unpack, AToolThatNeverEndsIsStopped) {
  writeFile(home + "\\lib\\rt.jar.pack", "HANG: the tool never ends");
  unpackTimeoutMs = 1500;
  DWORD started = GetTickCount();
  UnpackResult result = runUnpack200(wide(home).c_str(), wide(home + "\\lib\\rt.jar.pack").c_str());
  unpackTimeoutMs = 300000;
  EXPECT_EQ(result, UnpackResult::TimedOut);
  EXPECT_LT(GetTickCount() - started, 30000u);
  EXPECT_EQ(readFile(home + "\\lib\\rt.jar.pack"), "HANG: the tool never ends");
  EXPECT_FALSE(exists(home + "\\lib\\rt.jar"));
}

TEST_F(Unpack, DirectoryWithoutArchiveFoldersIsNoError) {
  std::string bare = makeUniqueDirectory("bare");
  unpackRuntimeArchives(wide(bare).c_str());
  unpackRuntimeArchives(wide(bare + "\\missing").c_str());
  removeTree(bare);
}

}  // namespace
}  // namespace tessel
