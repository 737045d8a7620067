// The options and main class of the three ways to start: class path, module, executable jar.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "config/config_access.h"
#include "config_keys.h"
#include "launch/class_path.h"
#include "launch/entry_point_options.h"
#include "launch/vm_arguments.h"
#include "scratch_dir.h"

namespace tessel {
namespace {

using Options = std::vector<std::string>;

class EntryPointOptions : public ::testing::Test {
 protected:
  void SetUp() override { clearConfiguration(); }
  void TearDown() override { clearConfiguration(); }
  Options options() {
    Options out;
    addEntryPointOptions(out);
    return out;
  }
};

TEST_F(EntryPointOptions, ClassPathLaunchAddsNothing) {
  LauncherConfig[key::MainClass] = "a.Main";
  EXPECT_TRUE(options().empty());
  EXPECT_EQ(configuredMainClass(), L"a.Main");
  EXPECT_EQ(mainModuleName(), "");
}

TEST_F(EntryPointOptions, ModuleWithClassOpensItsPackageToTheLauncher) {
  ScratchDir dir;
  dir.makeDir(L"mods");
  LauncherConfig[key::MainModule] = "com.example.app/com.example.app.ui.Main";
  LauncherConfig[key::ModulePath] = "D1" + dir.narrow(L"mods") + ";;A0" + dir.narrow(L"x.jar") + ";";
  EXPECT_EQ(options(), (Options{"--module-path=" + dir.narrow(L"mods") + ";" + dir.narrow(L"x.jar"),
                                "--add-modules=com.example.app", "-Dtessel.mainModule=com.example.app",
                                "--add-opens=com.example.app/com.example.app.ui=ALL-UNNAMED"}));
  EXPECT_EQ(configuredMainClass(), L"com.example.app.ui.Main");
  EXPECT_EQ(mainModuleName(), "com.example.app");
}

TEST_F(EntryPointOptions, ModuleAloneLeavesTheMainClassToItsDescriptor) {
  LauncherConfig[key::MainModule] = "app";
  EXPECT_EQ(options(), (Options{"--add-modules=app", "-Dtessel.mainModule=app"}));
  EXPECT_EQ(configuredMainClass(), L"");
  LauncherConfig[key::MainModule] = "app/Main";  // a class without a package: nothing to export
  EXPECT_EQ(options(), (Options{"--add-modules=app", "-Dtessel.mainModule=app"}));
  EXPECT_EQ(configuredMainClass(), L"Main");
}

TEST_F(EntryPointOptions, DescriptorMainClassReadAtBuildTimeIsExportedAndPassed) {
  LauncherConfig[key::MainModule] = "app";
  LauncherConfig[key::ModuleMainClass] = "app.internal.Main";
  EXPECT_EQ(options(), (Options{"--add-modules=app", "-Dtessel.mainModule=app",
                                "--add-opens=app/app.internal=ALL-UNNAMED"}));
  EXPECT_EQ(configuredMainClass(), L"app.internal.Main");
  LauncherConfig[key::MainModule] = "app/app.Other";  // a named class wins
  EXPECT_EQ(options().back(), "--add-opens=app/app=ALL-UNNAMED");
  EXPECT_EQ(configuredMainClass(), L"app.Other");
}

TEST_F(EntryPointOptions, JarOptionsComeFirstAndItsMainClassYieldsToMainClass) {
  LauncherConfig[key::JarVmOptions] = "--add-opens=java.base/java.lang=ALL-UNNAMED  --enable-native-access=ALL-UNNAMED";
  LauncherConfig[key::JarMainClass] = "jar.Main";
  EXPECT_EQ(options(), (Options{"--add-opens=java.base/java.lang=ALL-UNNAMED",
                                "--enable-native-access=ALL-UNNAMED"}));
  EXPECT_EQ(configuredMainClass(), L"jar.Main");
  LauncherConfig[key::MainClass] = "own.Main";
  EXPECT_EQ(configuredMainClass(), L"own.Main");
}

TEST_F(EntryPointOptions, JarClassPathPrecedesTheConfiguredOneAndSurvivesAClassPathLine) {
  ScratchDir dir;
  dir.write(L"app.jar", "x");
  LauncherConfig[key::JarClassPath] = "A1" + dir.narrow(L"app.jar") + ";A0" + dir.narrow(L"dep.jar");
  LauncherConfig[key::ClassPath] = "A0" + dir.narrow(L"own.jar");
  ClassPathSlots slots;
  EXPECT_EQ(buildClassPathOption(slots), "-Djava.class.path=" + dir.narrow(L"app.jar") + ";" +
                                             dir.narrow(L"dep.jar") + ";" + dir.narrow(L"own.jar") + ";");
  slots.classPathReplace = "other.jar";
  EXPECT_EQ(buildClassPathOption(slots),
            "-Djava.class.path=" + dir.narrow(L"app.jar") + ";" + dir.narrow(L"dep.jar") + ";other.jar");
}

TEST_F(EntryPointOptions, TheyComeRightAfterTheLauncherPropertiesBeforeTheParameters) {
  LauncherConfig[key::MainModule] = "m";
  LauncherConfig[key::VmParameters] = "-Dparam=1";
  VmOptionState state;
  collectVmOptions({"-Dprop=1"}, {L"prog"}, state);
  ASSERT_GE(state.options.size(), 5u);
  EXPECT_EQ(Options(state.options.begin(), state.options.begin() + 4),
            (Options{"-Dprop=1", "--add-modules=m", "-Dtessel.mainModule=m", "-Dparam=1"}));
  EXPECT_EQ(state.options.back().rfind("-Djava.class.path=", 0), 0u);
}

}  // namespace
}  // namespace tessel
