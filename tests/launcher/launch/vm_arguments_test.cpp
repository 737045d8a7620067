#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "config/config_access.h"
#include "config/locale.h"
#include "config_keys.h"
#include "util/environment.h"
#include "util/paths.h"
#include "scratch_dir.h"
#include "launch/java_vm_launcher.h"
#include "launch/vm_arguments.h"

namespace tessel {
namespace {

using Options = std::vector<std::string>;

class VmArguments : public ::testing::Test {
 protected:
  void SetUp() override {
    clearConfiguration();
    clearLocaleParts();
  }
  void TearDown() override {
    clearConfiguration();
    clearLocaleParts();
  }
  VmOptionState collect(const ArgumentList& arguments) {
    VmOptionState state;
    collectVmParameters(arguments, state);
    return state;
  }
};

TEST_F(VmArguments, ParametersThenJOptionsThenTheLastLocaleOption) {
  ScratchDir dir;
  dir.write(L"inc.vmoptions", "-Dincluded\n");
  LauncherConfig[key::VmParameters] =
      "-Xmx1g \"-classpath/a tail.jar\" -include-options " + dir.narrow(L"inc.vmoptions") +
      " -classpath lib.jar -include-options";
  LauncherConfig[key::AllowJOptions] = "1";
  setLocaleParts("de_CH");
  ArgumentList arguments{L"-Jprog", L"-J-Dj=1", L"plain", L"-Dsun.locale.formatasdefault=no",
                         L"-Dsun.locale.formatasdefault=false"};
  VmOptionState state = collect(arguments);
  EXPECT_EQ(state.options,
            (Options{"-Xmx1g", "-Dincluded", "-classpath", "lib.jar", "-include-options", "prog",
                     "-Dj=1", "-Dsun.locale.formatasdefault=false", "-Duser.language=de",
                     "-Duser.country=CH"}));
  EXPECT_EQ(state.slots.classPathAppend.value_or("unset"), "tail.jar");
  EXPECT_FALSE(state.slots.classPathReplace) << "an unquoted -classpath is two plain options";

  LauncherConfig[key::AllowJOptions] = "0";
  LauncherConfig.erase(key::VmParameters);
  EXPECT_EQ(collect({L"prog", L"-J-Dj=1", L"-Dsun.locale.formatasdefault=true"}).options,
            (Options{"-Dsun.locale.formatasdefault=true"}))
      << "no -J options when key 125 is off; \"true\" adds no language";
  EXPECT_TRUE(collect({L"prog", L"x"}).options.empty());
}

TEST_F(VmArguments, LauncherArgumentsDropVmOptionsAndKeepTheRest) {
  LauncherConfig[key::MainClass] = "com.example.Main";
  LauncherConfig[key::ApplicationArguments] = "one 'two words' three four five";
  LauncherConfig[key::AllowJOptions] = "1";
  LauncherConfig[key::ExecutableType] = "1";
  ArgumentList arguments{L"prog.exe", L"-J-Xmx1g", L"ordinary",
                         L"-Dsun.locale.formatasdefault=false", L"caf\u00e9 \u4e2d"};
  EXPECT_EQ(buildLauncherArguments(arguments),
            (ArgumentList{L"true", L"com.example.Main", L"", L"", L"false", L"prog.exe", L"one",
                          L"two words", L"three", L"four", L"five", L"ordinary",
                          L"caf\u00e9 \u4e2d"}));

  LauncherConfig[key::AllowJOptions] = "0";
  LauncherConfig.erase(key::ApplicationArguments);
  EXPECT_EQ(buildLauncherArguments({L"prog.exe", L"-J-Xmx1g"}).back(), L"-J-Xmx1g");
  EXPECT_EQ(buildLauncherArguments({}).size(), 5u) << "no program name, nothing after it";
}

// Keys 123 and 124 are split before they are expanded: a directory with blanks and an
// apostrophe stays inside its own option or argument.
TEST_F(VmArguments, ExpandedValuesNeverSplitOrOpenAQuote) {
  const wchar_t home[] = L"C:\\Users\\O'Brien\\Program Files\\Demo App\\";
  SetEnvironmentVariableW(L"TESSEL_TEST_HOME", home);
  std::wstring exeDir = launcherDirectoryW(PathForm::NarrowSafe);
  LauncherConfig[key::VmParameters] =
      "-Dapp.home=${TESSEL_TEST_HOME} \"-Dquoted=${TESSEL_TEST_HOME}x\" -Dexe=${TESSEL_EXEDIR}lib -Xmx1g";
  LauncherConfig[key::MainClass] = "demo.Main";
  LauncherConfig[key::ApplicationArguments] = "--home=${TESSEL_TEST_HOME} 'two words' last";
  Options options = collect({L"prog.exe"}).options;
  std::string narrowHome = "C:\\Users\\O'Brien\\Program Files\\Demo App\\";
  EXPECT_EQ(options, (Options{"-Dapp.home=" + narrowHome, "-Dquoted=" + narrowHome + "x",
                              "-Dexe=" + std::string(launcherDirectory()) + "lib", "-Xmx1g"}));
  ArgumentList launcher = buildLauncherArguments({L"prog.exe", L"typed"});
  ArgumentList tail(launcher.begin() + 6, launcher.end());
  EXPECT_EQ(tail, (ArgumentList{std::wstring(L"--home=") + home, L"two words", L"last", L"typed"}));
  SetEnvironmentVariableW(L"TESSEL_TEST_HOME", nullptr);
  EXPECT_FALSE(exeDir.empty());
}

TEST_F(VmArguments, LibraryPathHoldsTheWholeLongPath) {
  ScratchDir dir;
  std::wstring omega = dir.makeDir(L"\u03a9mega dir");
  const std::wstring saved = environmentValueW(L"PATH");
  std::wstring filler;
  while (filler.size() < 30000) filler += L"C:\\filler\\entry" + std::to_wstring(filler.size()) + L";";
  ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", (filler + omega + L";C:\\gone\\\u03a9").c_str()));
  std::string property;
  for (const std::string& p : buildLauncherProperties())
    if (p.compare(0, 20, "-Djava.library.path=") == 0) property = p;
  SetEnvironmentVariableW(L"PATH", saved.c_str());

  std::string narrowFiller(filler.begin(), filler.end());
  ASSERT_GT(property.size(), 30000u) << "PATH longer than any fixed buffer arrives whole";
  EXPECT_EQ(property.substr(20, narrowFiller.size()), narrowFiller);
  std::string omegaNarrow = property.substr(20 + narrowFiller.size());
  wchar_t shortName[MAX_PATH];
  ASSERT_GT(GetShortPathNameW(omega.c_str(), shortName, MAX_PATH), 0u);
  std::wstring shortWide(shortName);
  EXPECT_EQ(omegaNarrow, std::string(shortWide.begin(), shortWide.end()))
      << "an entry the code page cannot hold is given by its short name; one without any is left out";
}

TEST_F(VmArguments, OutputFilesAreAbsoluteUnlessTheyStillStartWithDollar) {
  LauncherConfig[key::RedirectStderr] = "1";
  LauncherConfig[key::StderrFile] = "$UNEXPANDED_REFERENCE_X";
  LauncherConfig[key::RedirectStdout] = "1";
  LauncherConfig[key::StdoutFile] = "Logs\\Out.TXT";
  LauncherConfig[key::LauncherFlagFive] = "1";
  ArgumentList launcher = buildLauncherArguments({L"prog.exe"});
  EXPECT_EQ(launcher[2], L"$UNEXPANDED_REFERENCE_X");
  std::wstring directory = launcherPathW();
  directory.resize(directory.rfind(L'\\') + 1);
  EXPECT_EQ(launcher[3], directory + L"Logs\\Out.TXT") << "below the launcher, case kept";
  EXPECT_EQ(launcher[4], L"true");
}

TEST_F(VmArguments, PropertiesStartWithTheModuleNameOutsideTheCorvaneFlavour) {
  Options plain = buildLauncherProperties();
  ASSERT_GE(plain.size(), 6u);
  EXPECT_EQ(plain[0], std::string("-Dtessel.moduleName=") + launcherPath());
  EXPECT_EQ(plain[1], std::string("-Dsun.java.command=") + launcherPath());
  EXPECT_EQ(plain[4].compare(0, 20, "-Djava.library.path="), 0);
  EXPECT_EQ(plain[5], "-Dtessel.argumentRules=launcher") << "no key: the launcher's rule";
  LauncherConfig[key::ArgumentRules] = "windows";
  EXPECT_EQ(buildLauncherProperties()[5], "-Dtessel.argumentRules=windows");
  LauncherConfig[key::LauncherFlavour] = "c";
  EXPECT_EQ(buildLauncherProperties()[0], "-Dtessel.isCorvane=true");

  SetEnvironmentVariableA("MANPATH", "x");
  Options withManPath = buildLauncherProperties();
  SetEnvironmentVariableA("MANPATH", nullptr);
  Options without = buildLauncherProperties();
  EXPECT_EQ(without.back().compare(0, 25, "-Dtessel.consoleCodepage="), 0);
  EXPECT_EQ(withManPath.size() + 1, without.size());
}

TEST_F(VmArguments, ClassPathIsTheSingleLastOption) {
  LauncherConfig[key::VmParameters] = "\"-classpath/p pre.jar\" -Dx=1";
  std::vector<std::string> properties{"-Dfirst=1"};
  VmOptionState state;
  collectVmOptions(properties, {L"prog.exe"}, state);
  ASSERT_GE(state.options.size(), 3u);
  EXPECT_EQ(state.options.front(), "-Dfirst=1");
  EXPECT_EQ(state.options.back(), "-Djava.class.path=pre.jar;");
  int classPaths = 0;
  for (const std::string& option : state.options)
    classPaths += option.compare(0, 18, "-Djava.class.path=") == 0;
  EXPECT_EQ(classPaths, 1);
}

TEST_F(VmArguments, UserOptionsFileComesAfterEverythingButTheClassPath) {
  ScratchDir dir;
  dir.makeDir(L"My App");
  dir.write(L"My App\\my-app.vmoptions",
            "-Xmx2g\n# comment\n-include-options more.vmoptions\n-classpath/a user.jar\n-Dlast=user\n");
  dir.write(L"My App\\more.vmoptions", "-Dincluded=beside-the-user-file\n");
  SetEnvironmentVariableW(L"TESSEL_TEST_USER_DIR", dir.path().c_str());
  LauncherConfig[key::UserVmOptions] = "${TESSEL_TEST_USER_DIR}\\My App\\my-app.vmoptions";
  LauncherConfig[key::VmParameters] = "-Xmx512m -Dlast=configured";
  VmOptionState state;
  collectVmOptions({"-Dfirst=1"}, {L"prog.exe"}, state);
  SetEnvironmentVariableW(L"TESSEL_TEST_USER_DIR", nullptr);
  ASSERT_EQ(state.options.size(), 7u);
  EXPECT_EQ(state.options[1], "-Xmx512m");
  EXPECT_EQ(state.options[3], "-Xmx2g") << "the user's heap comes later and wins";
  EXPECT_EQ(state.options[4], "-Dincluded=beside-the-user-file")
      << "a relative include resolves against the user file's directory";
  EXPECT_EQ(state.options[5], "-Dlast=user");
  EXPECT_EQ(state.options[6].compare(0, 18, "-Djava.class.path="), 0);
  EXPECT_NE(state.options[6].find("user.jar"), std::string::npos) << "directives work there too";

  LauncherConfig[key::UserVmOptions] = dir.narrow(L"missing.vmoptions");
  VmOptionState without;
  collectVmOptions({"-Dfirst=1"}, {L"prog.exe"}, without);
  EXPECT_EQ(without.options.size(), 4u) << "a missing user file adds nothing";
}

}  // namespace
}  // namespace tessel
