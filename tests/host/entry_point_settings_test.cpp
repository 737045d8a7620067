// The project settings that say what to start: main_module with module_path, and main_jar,
// whose manifest `tessel build` reads from beside the output executable.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include <sys/stat.h>

#include "build_command.h"
#include "build_test_support.h"
#include "config_keys.h"
#include "jar/zip_maker.h"
#include "main_jar.h"
#include "project_file.h"
#include "project_test_support.h"
#include "tool_test_support.h"

namespace tessel {
namespace {

using test::errorsOf;
using test::stringsOf;

TEST(EntryPointSettings, ModuleSettingsReachTheirKeys) {
  Project project;
  ASSERT_TRUE(test::parsed("[java]\nmain_module = \"com.example.app/com.example.app.Main\"\n"
                           "module_path = \"D1.\\\\mods;S0.\\\\plugins\"\n", project));
  auto s = stringsOf(project);
  EXPECT_EQ(s[key::MainModule], "com.example.app/com.example.app.Main");
  EXPECT_EQ(s[key::ModulePath], "D1.\\mods;S0.\\plugins");
}

TEST(EntryPointSettings, MalformedAndConflictingSettingsAreRefusedWithTheirLine) {
  EXPECT_EQ(errorsOf("[java]\nmain_module = \"com.example app\"\n"),
            std::vector<std::string>{"app.toml:2: java.main_module: \"com.example app\" is not a module "
                                     "name (give \"module\" or \"module/main.Class\")"});
  EXPECT_EQ(errorsOf("[java]\nmain_module = \"m/\"\n").size(), 1u);
  EXPECT_EQ(errorsOf("[java]\nmain_module = \"/a.B\"\n").size(), 1u);
  EXPECT_EQ(errorsOf("[java]\nmain_module = \"m/a/B\"\n").size(), 1u);
  EXPECT_EQ(errorsOf("[java]\nmain_module = \"m\"\nmain_class = \"a.B\"\n"),
            std::vector<std::string>{"app.toml:3: java.main_class: with main_module the main class is the "
                                     "module's own or the one after \"/\" in main_module"});
  EXPECT_EQ(errorsOf("[java]\nmain_jar = \"app.jar\"\nmain_module = \"m\"\n"),
            std::vector<std::string>{"app.toml:3: java.main_module: main_module and main_jar exclude each "
                                     "other: an application starts either way, not both"});
  EXPECT_EQ(errorsOf("[keys]\njar_vm_options = \"--add-opens=x/y=ALL-UNNAMED\"\n"),
            std::vector<std::string>{"app.toml:2: keys.jar_vm_options: key 2015 is set from the manifest "
                                     "of [java] main_jar"});
  EXPECT_EQ(errorsOf("[keys]\n2013 = \"A1x.jar\"\n").size(), 1u);
}

class MainJar : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write("launcher.exe", test::makeTemplate());
    mkdir(dir_.file("lib").c_str(), 0755);
  }
  void TearDown() override {
    unlink(dir_.file("lib/app.jar").c_str());
    rmdir(dir_.file("lib").c_str());
  }
  void writeJar(const std::string& manifest) {
    dir_.write("lib/app.jar", jar::test::makeZip({{"META-INF/", ""},
                                                   {"META-INF/MANIFEST.MF", manifest, true},
                                                   {"app/Main.class", "\xCA\xFE\xBA\xBE"}}));
  }
  // Builds app.exe beside lib\ from `project`; the exit code, with `err` filled.
  int build(const std::string& project, std::string& err) {
    const test::Built b = test::buildProject(dir_, project, dir_.file("app.exe"), dir_.file("launcher.exe"));
    err = b.err;
    return b.rc;
  }
  std::map<int32_t, std::string> builtKeys() {
    Project project;
    std::vector<ProjectError> errors;
    EXPECT_TRUE(loadProject(dir_.file("app.toml"), project, errors));
    std::string why;
    EXPECT_TRUE(applyMainJar(project, dir_.file("app.exe"), why)) << why;
    return stringsOf(project);
  }
  test::ScratchDir dir_;
};

TEST_F(MainJar, TheManifestBecomesClassPathMainClassAndVmOptions) {
  writeJar("Manifest-Version: 1.0\r\nMain-Class: app.Main\r\nClass-Path: dep.jar\r\n"
           "Add-Opens: java.base/java.lang\r\n\r\n");
  std::string err;
  ASSERT_EQ(build("[java]\nmain_jar = \"lib\\\\app.jar\"\nclass_path = \"A1x.jar\"\n", err), 0) << err;
  auto s = builtKeys();
  EXPECT_EQ(s[key::MainJar], "lib\\app.jar");
  EXPECT_EQ(s[key::JarClassPath], "A1lib\\app.jar;A0lib\\dep.jar");
  EXPECT_EQ(s[key::JarMainClass], "app.Main");
  EXPECT_EQ(s[key::JarVmOptions], "--add-opens=java.base/java.lang=ALL-UNNAMED");
  EXPECT_EQ(s[key::ClassPath], "A1x.jar");
  EXPECT_EQ(s.count(key::MainClass), 0u);
}

TEST_F(MainJar, MainClassSettingLeavesTheManifestsAsIs) {
  writeJar("Manifest-Version: 1.0\r\n\r\n");
  std::string err;
  EXPECT_EQ(build("[java]\nmain_jar = \"lib/app.jar\"\n", err), 1);
  EXPECT_NE(err.find("has no Main-Class and [java] main_class is not set"), std::string::npos) << err;
  // (the jar is all the class path there is: the runtime library comes from elsewhere)
  ASSERT_EQ(build("[java]\nmain_jar = \"lib/app.jar\"\nmain_class = \"other.Main\"\nruntime_library = \"external\"\n", err), 0)
      << err;
  auto s = builtKeys();
  EXPECT_EQ(s[key::MainClass], "other.Main");
  EXPECT_EQ(s.count(key::JarMainClass), 0u);
}

// Project paths are UTF-8 on the build machine; the block keeps them as Latin-1.
TEST_F(MainJar, JarInAFolderWithANonAsciiName) {
  const std::string folder = dir_.file("caf\xC3\xA9");
  mkdir(folder.c_str(), 0755);
  dir_.write("caf\xC3\xA9/app.jar",
             jar::test::makeZip({{"META-INF/MANIFEST.MF", "Main-Class: app.Main\r\n", true}}));
  std::string err;
  EXPECT_EQ(build("[java]\nmain_jar = \"caf\xC3\xA9\\\\app.jar\"\nruntime_library = \"external\"\n", err), 0) << err;
  auto s = builtKeys();
  EXPECT_EQ(s[key::MainJar], "caf\xE9\\app.jar");
  EXPECT_EQ(s[key::JarClassPath], "A1caf\xE9\\app.jar");
  unlink((folder + "/app.jar").c_str());
  rmdir(folder.c_str());
}

TEST_F(MainJar, UnusableJarsFailTheBuildAndWriteNothing) {
  std::string err;
  EXPECT_EQ(build("[java]\nmain_jar = \"lib\\\\app.jar\"\n", err), 1);
  EXPECT_NE(err.find("java.main_jar: cannot read the manifest of"), std::string::npos) << err;
  dir_.write("lib/app.jar", std::string(100, 'z'));
  EXPECT_EQ(build("[java]\nmain_jar = \"lib\\\\app.jar\"\n", err), 1);
  EXPECT_NE(err.find("no zip end-of-directory record"), std::string::npos) << err;
  writeJar("Main-Class: app.Main\r\nAdd-Opens: everything\r\n");
  EXPECT_EQ(build("[java]\nmain_jar = \"lib\\\\app.jar\"\n", err), 1);
  EXPECT_NE(err.find("Add-Opens: \"everything\" is not module/package"), std::string::npos) << err;
  writeJar("Main-Class: app.Main\r\n");
  EXPECT_EQ(build("[java]\nmain_jar = \"%APPDIR%\\\\app.jar\"\n", err), 1);
  EXPECT_NE(err.find("cannot hold variables"), std::string::npos) << err;
  struct stat st;
  EXPECT_NE(stat(dir_.file("app.exe").c_str(), &st), 0);
}

}  // namespace
}  // namespace tessel
