// Runtimes made without java.exe and versions taken from the release file, as validation and
// the search see them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "discovery/candidate_log.h"
#include "discovery/registry_sources.h"
#include "discovery/runtime_fixture.h"
#include "discovery/search.h"
#include "discovery/validation.h"
#include "discovery/vendor_keys.h"
#include "files/runtime_home.h"
#include "util/bounded_text.h"
#include "util/paths.h"
#include "vm/java_vm.h"

namespace tessel {
namespace {

using namespace fixture;

class RuntimeImage : public ::testing::Test {
 protected:
  void SetUp() override {
    clearConfiguration();
    clearErrorDialogs();
    clearCandidates();
    root = makeUniqueDirectory("image");
  }
  void TearDown() override {
    unloadJvmLibraries();
    for (const std::string& home : homes) forgetCachedVersion(home + "\\bin\\java.exe");
    clearConfiguration();
    removeTree(root);
  }
  // An image as jlink --strip-native-commands makes it: release file and jvm.dll only.
  std::string image(const std::string& name, const std::string& version,
                    const std::string& runtimeVersion = "", bool wrongWordSize = false) {
    std::string home = root + "\\" + name;
    RuntimeLayout layout;
    layout.javaExe = false;
    layout.wrongWordSize = wrongWordSize;
    layout.release = releaseText(version, runtimeVersion);
    makeRuntime(home, layout);
    homes.push_back(home);
    return home;
  }
  bool check(const std::string& home, const char* min = "", const char* max = "") {
    startCandidate(candidate, L"A %hs", home.c_str());
    setCandidateExecutable(candidate, wide(home + "\\bin\\java.exe").c_str());
    bool accepted = checkJavaExe(candidate, min, max, PreRelease::Refused);
    path = narrow(candidate.executable);
    version = candidate.version;
    return accepted;
  }
  HMODULE search() {
    location[0] = 0;
    HMODULE module = searchJvm(accepted, kind, location);
    executable = narrow(accepted.executable);
    return module;
  }

  NoInstalledRuntimes noInstalledRuntimes;
  std::string root;
  std::vector<std::string> homes;
  Candidate candidate, accepted;
  std::string path, executable;
  const char* version = "";
  wchar_t location[kPathCapacity];
  int kind = -1;
};

TEST_F(RuntimeImage, ImageWithoutJavaExeIsJudgedByItsReleaseFile) {
  std::string home = image("img", "17.0.2");
  EXPECT_TRUE(check(home, "11"));
  EXPECT_STREQ(version, "17.0.2");
  EXPECT_EQ(path, lowerCase(home + "\\bin\\java.exe"))
      << "the path stands for the runtime; its library is loaded from bin";
  EXPECT_FALSE(check(home, "18")) << "range rules apply";
  EXPECT_FALSE(check(image("ea", "18", "18-ea+20-1248"))) << "pre-release from the release file";

  // No library, or no release version: nothing there to run.
  std::string empty = root + "\\nolib";
  makeDirectories(empty + "\\bin");
  writeFile(empty + "\\release", releaseText("17.0.2"));
  EXPECT_FALSE(check(empty));
  std::string unversioned = root + "\\unversioned";
  RuntimeLayout layout;
  layout.javaExe = false;
  makeRuntime(unversioned, layout);
  EXPECT_FALSE(check(unversioned));
}

TEST_F(RuntimeImage, GuiLauncherTakesAnImageWithoutJavawButNotAJavaExeWithoutIt) {
  LauncherConfig[key::ExecutableType] = "1";
  std::string home = image("img", "17.0.2");
  EXPECT_TRUE(check(home));
  EXPECT_EQ(path, lowerCase(home + "\\bin\\java.exe"));

  std::string full = root + "\\full";
  RuntimeLayout layout;
  layout.banner = "openjdk version \"17.0.2\"";
  layout.release = releaseText("17.0.2");
  makeRuntime(full, layout);
  homes.push_back(full);
  EXPECT_FALSE(check(full)) << "a runtime with java.exe still needs javaw.exe";
  EXPECT_EQ(path, lowerCase(full + "\\bin\\javaw.exe"));
}

TEST_F(RuntimeImage, ReleaseFileSparesTheVersionRun) {
  std::string home = root + "\\full";
  RuntimeLayout layout;
  layout.banner = "openjdk version \"17.0.2\"";
  layout.release = releaseText("17.0.2");
  makeRuntime(home, layout);
  homes.push_back(home);
  EXPECT_TRUE(check(home, "17"));
  EXPECT_TRUE(check(home, "17"));
  EXPECT_EQ(javaRuns(home + "\\bin"), 0);
  // Without a readable version the banner is asked for, once.
  writeFile(home + "\\release", "JAVA_VERSION=17\n");
  EXPECT_TRUE(check(home, "17"));
  EXPECT_TRUE(check(home, "17"));
  EXPECT_EQ(javaRuns(home + "\\bin"), 1);
}

TEST_F(RuntimeImage, EveryDirectorySourceLoadsAnImage) {
  std::string home = image("img", "17.0.2");
  LauncherConfig[key::MinJavaVersion] = "11";
  for (const char* type : {"A", "B", "R"}) {
    LauncherConfig[key::SearchSequence] = type + home;
    EXPECT_NE(search(), nullptr) << type;
    EXPECT_EQ(kind, kRuntimeDirectory);
  }
  LauncherConfig[key::SearchSequence] = "EIMAGE_TEST_HOME";
  SetEnvironmentVariableA("IMAGE_TEST_HOME", home.c_str());
  EXPECT_NE(search(), nullptr);
  EXPECT_EQ(kind, kEnvironment);
  SetEnvironmentVariableA("IMAGE_TEST_HOME", nullptr);

  LauncherConfig[key::SearchSequence] = "";
  SetEnvironmentVariableA("TESSEL_JAVA_HOME", home.c_str());
  EXPECT_NE(search(), nullptr);
  EXPECT_EQ(narrow(location), "TESSEL_JAVA_HOME");
  SetEnvironmentVariableA("TESSEL_JAVA_HOME", nullptr);

  makeDirectories(root + "\\.corvane");
  LauncherConfig[key::InstallationDirectory] = root;
  writeFile(root + "\\.corvane\\pref_jre.cfg", home + "\n");
  ASSERT_TRUE(LoadDLL());
  EXPECT_EQ(std::string(runtimeHome), lowerCase(home + "\\bin\\.."));
  EXPECT_NE(createJavaVmFunction(), nullptr);
}

TEST_F(RuntimeImage, FallbackPassTakesAnImageOutsideTheRange) {
  std::string launcherDir = launcherDirectory();
  launcherDir.pop_back();
  std::string base = makeUniqueDirectory("imagefb", launcherDir);
  std::string relative = ".\\" + base.substr(launcherDir.size() + 1) + "\\jre";
  RuntimeLayout layout;
  layout.javaExe = false;
  layout.release = releaseText("11.0.2");
  makeRuntime(base + "\\jre", layout);
  LauncherConfig[key::MinJavaVersion] = "17";
  LauncherConfig[key::SearchSequence] = "B" + relative;
  EXPECT_NE(search(), nullptr);
  EXPECT_EQ(narrow(location), relative);
  unloadJvmLibraries();
  removeTree(base);
}

}  // namespace
}  // namespace tessel
