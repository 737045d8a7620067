#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "discovery/registry_sources.h"
#include "discovery/vendor_keys.h"
#include "discovery/runtime_fixture.h"
#include "test_support.h"
#include "files/runtime_home.h"
#include "discovery/search.h"
#include "util/bounded_text.h"
#include "util/paths.h"
#include "vm/java_vm.h"

namespace tessel {
namespace {

using namespace fixture;

// Runtimes below the launcher (test executable) directory, so that entries can be relative.
class Search : public ::testing::Test {
 protected:
  void SetUp() override {
    clearConfiguration();
    clearErrorDialogs();  // messages go to standard error, never to a box
    std::string launcherDir = launcherDirectory();
    launcherDir.pop_back();
    base = makeUniqueDirectory("search", launcherDir);
    relative = base.substr(launcherDir.size() + 1);
    savedPath = test::currentPath();
  }
  void TearDown() override {
    unloadJvmLibraries();
    for (const std::string& home : homes) forgetCachedVersion(home + "\\bin\\java.exe");
    deleteRegistryTree(HKEY_CURRENT_USER, uniqueKey(""));
    deleteRegistryTree(HKEY_LOCAL_MACHINE, uniqueKey(""));
    SetEnvironmentVariableA("PATH", savedPath.c_str());
    clearConfiguration();
    removeTree(base);
  }
  std::string runtime(const std::string& name, const std::string& version,
                      bool wrongWordSize = false) {
    std::string home = base + "\\" + name;
    makeRuntime(home, {"java version \"" + version + "\"", 0, 0, "server", wrongWordSize});
    homes.push_back(home);
    return home;
  }
  HMODULE search() {
    location[0] = 0;
    HMODULE module = searchJvm(accepted, kind, location);
    executable = narrow(accepted.executable);
    return module;
  }
  void sequence(const std::string& value) { LauncherConfig[key::SearchSequence] = value; }

  NoInstalledRuntimes noInstalledRuntimes;
  std::string base, relative, savedPath;
  std::vector<std::string> homes;
  Candidate accepted;
  std::string executable;  // the accepted candidate's
  wchar_t location[kPathCapacity];
  int kind = -1;
};

TEST_F(Search, ShippedRuntimeLoadsInTheMainPass) {
  std::string home = runtime("jre", "1.8.0_60");
  std::string entry = ".\\" + relative + "\\jre";
  sequence("B" + entry + ";Y;EJAVA_HOME;EJDK_HOME;");
  LauncherConfig[key::MinJavaVersion] = "1.6";
  EXPECT_NE(search(), nullptr);
  EXPECT_EQ(kind, kRuntimeDirectory);
  EXPECT_EQ(narrow(location), entry);
  EXPECT_EQ(executable, lowerCase(home + "\\bin\\java.exe"));

  ASSERT_TRUE(LoadDLL());
  EXPECT_EQ(std::string(runtimeHome), lowerCase(home + "\\bin\\.."));
  EXPECT_NE(createJavaVmFunction(), nullptr);
}

TEST_F(Search, PreferredFileWinsAndTheInstallerFileComesAfterTheSequence) {
  std::string preferred = runtime("preferred", "1.8.0_60");
  std::string listed = runtime("listed", "1.8.0_60");
  std::string installer = runtime("installer", "1.8.0_60");
  makeDirectories(base + "\\.corvane");
  LauncherConfig[key::InstallationDirectory] = base;
  writeFile(base + "\\.corvane\\pref_jre.cfg", preferred + "\r\n\r\nignored\n");
  writeFile(base + "\\.corvane\\inst_jre.cfg", installer + "\n");
  sequence("A" + listed);
  EXPECT_NE(search(), nullptr);
  EXPECT_EQ(executable, lowerCase(preferred + "\\bin\\java.exe"));
  EXPECT_EQ(narrow(location), preferred);

  DeleteFileA((base + "\\.corvane\\pref_jre.cfg").c_str());
  EXPECT_NE(search(), nullptr);
  EXPECT_EQ(executable, lowerCase(listed + "\\bin\\java.exe"));

  sequence("Q.\\x;;");
  EXPECT_NE(search(), nullptr) << "unknown types are skipped";
  EXPECT_EQ(executable, lowerCase(installer + "\\bin\\java.exe"));
  EXPECT_EQ(kind, kRuntimeDirectory);
}

TEST_F(Search, FallbackPassRetriesRelativeEntriesWithoutAVersionCheck) {
  std::string old = runtime("old", "1.5.0_22");
  LauncherConfig[key::MinJavaVersion] = "1.6";
  sequence("A" + old);  // absolute: never retried
  EXPECT_EQ(search(), nullptr);
  EXPECT_EQ(kind, kNoSource);

  std::string entry = relative + "\\old";
  sequence("R" + entry);
  EXPECT_NE(search(), nullptr);
  EXPECT_EQ(kind, kRuntimeDirectory);
  EXPECT_EQ(narrow(location), entry) << "the value as written";

  // A variable names the same directory as in the main pass.
  sequence("B${TESSEL_EXEDIR}" + entry);
  EXPECT_NE(search(), nullptr);
  EXPECT_EQ(kind, kRuntimeDirectory);
  EXPECT_EQ(executable, lowerCase(old + "\\bin\\java.exe"));
}

TEST_F(Search, EnvironmentVariablesWithForwardSlashesAndTheFixedOnesLast) {
  std::string home = runtime("env", "1.8.0_60");
  std::string variable = "TSL_TEST_JAVA_" + std::to_string(GetCurrentProcessId());
  std::string slashed = home;
  for (char& c : slashed)
    if (c == '\\') c = '/';
  SetEnvironmentVariableA(variable.c_str(), slashed.c_str());
  sequence("E" + variable);
  EXPECT_NE(search(), nullptr);
  EXPECT_EQ(kind, kEnvironment);
  EXPECT_EQ(narrow(location), variable);
  SetEnvironmentVariableA(variable.c_str(), nullptr);

  sequence("");
  SetEnvironmentVariableA("TESSEL_JAVA_HOME", home.c_str());
  EXPECT_NE(search(), nullptr);
  EXPECT_EQ(narrow(location), "TESSEL_JAVA_HOME");
}

// After the sequence: the user's previous installation, the machine's, then the two variables.
TEST_F(Search, PreviousInstallationsComeBeforeTheFixedVariables) {
  std::string installations = uniqueKey("installations");
  std::wstring installationsKey = wide(installations);
  registrySourceKeys.installations = installationsKey.c_str();
  LauncherConfig[key::ApplicationId] = "app-7";
  std::string user = runtime("user\\jre", "1.8.0_60");
  std::string machine = runtime("machine\\jre", "1.8.0_60");
  std::string fixed = runtime("fixed", "1.8.0_60");
  setRegistryString(HKEY_CURRENT_USER, installations, "app-7",
                    base + "\\missing;" + base + "\\user");
  setRegistryString(HKEY_LOCAL_MACHINE, installations, "app-7", base + "\\machine");
  SetEnvironmentVariableA("TESSEL_JAVA_HOME", fixed.c_str());
  SetEnvironmentVariableA("CORVANE_JAVA_HOME", fixed.c_str());
  sequence("Q");

  EXPECT_NE(search(), nullptr);
  EXPECT_EQ(kind, kRegistry);
  EXPECT_EQ(executable, lowerCase(user + "\\bin\\java.exe"));

  deleteRegistryTree(HKEY_CURRENT_USER, uniqueKey(""));
  EXPECT_NE(search(), nullptr);
  EXPECT_EQ(executable, lowerCase(machine + "\\bin\\java.exe"));

  deleteRegistryTree(HKEY_LOCAL_MACHINE, uniqueKey(""));
  EXPECT_NE(search(), nullptr);
  EXPECT_EQ(kind, kEnvironment);
  EXPECT_EQ(narrow(location), "TESSEL_JAVA_HOME");

  SetEnvironmentVariableA("TESSEL_JAVA_HOME", nullptr);
  EXPECT_NE(search(), nullptr);
  EXPECT_EQ(narrow(location), "CORVANE_JAVA_HOME");
}

// Folders named in letters of Latin-1 (written in key 128 itself) and beyond any one code page
// (through a variable, an E entry and PATH): each entry finds its runtime by its own name.
TEST_F(Search, EntriesKeepTheLettersOfTheirFolders) {
  const std::wstring latin = wide(base) + L"\\J\u00e4v\u00e4 Runtime";
  const std::wstring cyrillic = wide(base) + L"\\\u042f\u0432\u0430 \u03a9";
  ASSERT_TRUE(MoveFileW(wide(runtime("a", "17.0.2")).c_str(), latin.c_str()));
  ASSERT_TRUE(MoveFileW(wide(runtime("b", "17.0.2")).c_str(), cyrillic.c_str()));
  const std::wstring latinExe = wide(lowerCase(base)) + L"\\j\u00e4v\u00e4 runtime\\bin\\java.exe";
  const std::wstring cyrillicExe = wide(lowerCase(base)) + L"\\\u042f\u0432\u0430 \u03a9\\bin\\java.exe";
  const std::wstring variable = L"TSL_TEST_HOME_" + std::to_wstring(GetCurrentProcessId());
  ASSERT_TRUE(SetEnvironmentVariableW(variable.c_str(), cyrillic.c_str()));

  sequence("B" + base + "\\J\xe4v\xe4 Runtime");  // stored as Latin-1
  ASSERT_NE(search(), nullptr);
  EXPECT_EQ(std::wstring(accepted.executable), latinExe);
  EXPECT_STREQ(accepted.version, "17.0.2");
  EXPECT_EQ(accepted.verdict, Verdict::Accepted);
  unloadJvmLibraries();

  for (const std::string& entry : {"B${" + narrow(variable) + "}", "E" + narrow(variable)}) {
    sequence(entry);
    ASSERT_NE(search(), nullptr) << entry;
    EXPECT_EQ(std::wstring(accepted.executable), cyrillicExe) << entry;
    EXPECT_EQ(std::wstring(accepted.source), wide(entry.substr(0, 1)) + L" " +
                                                 (entry[0] == 'B' ? cyrillic : variable));
    unloadJvmLibraries();
  }

  ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", (cyrillic + L"\\bin;" + test::currentPathW()).c_str()));
  sequence("S");
  ASSERT_NE(search(), nullptr);
  EXPECT_EQ(kind, kSearchPath);
  EXPECT_EQ(std::wstring(accepted.executable), cyrillicExe);
  unloadJvmLibraries();
  SetEnvironmentVariableW(variable.c_str(), nullptr);
  forgetCachedVersion(latinExe);
  forgetCachedVersion(cyrillicExe);
}

TEST_F(Search, WrongWordSizePassesValidationButFailsToLoad) {
  std::string home = runtime("x86", "1.8.0_60", true);
  sequence("A" + home);
  EXPECT_EQ(search(), nullptr);
  EXPECT_EQ(kind, kRuntimeDirectory);
  EXPECT_EQ(narrow(location), home);
  EXPECT_EQ(test::currentPath(), savedPath) << "a failed candidate leaves PATH as it was";
  EXPECT_FALSE(LoadDLL());

  SetEnvironmentVariableA("PATH", (savedPath + ";" + home + "\\bin").c_str());
  sequence("S");
  EXPECT_EQ(search(), nullptr);
  EXPECT_EQ(kind, kSearchPath);
}

TEST_F(Search, NothingFoundIsLoggedAndFails) {
  createLogOption = true;
  sequence("Q.\\x;A" + base + "\\missing");
  EXPECT_FALSE(LoadDLL());
  ASSERT_NE(logFilePath(), nullptr);
  char logPath[kPathCapacity];
  ASSERT_TRUE(toNarrow(logFilePath(), logPath, kPathCapacity));
  std::string log = readFile(logPath);
  DeleteFileA(logPath);
  EXPECT_NE(log.find("LoadDLL (1, (null), 0)"), std::string::npos) << log;
  EXPECT_NE(log.find("Testing location .\\x (type Q)"), std::string::npos) << log;
  EXPECT_NE(log.find("ERROR: No JVM found"), std::string::npos) << log;
  EXPECT_NE(log.find("Search sequence finished"), std::string::npos) << log;
}

TEST_F(Search, OversizedInputIsRejectedWithoutHarm) {
  sequence(std::string(6000, 'A'));
  EXPECT_EQ(search(), nullptr);
  EXPECT_EQ(kind, kNoSource);
  sequence(std::string(3000, ';') + "B" + std::string(2999, 'x'));
  EXPECT_EQ(search(), nullptr);

  makeDirectories(base + "\\.corvane");
  LauncherConfig[key::InstallationDirectory] = base;
  writeFile(base + "\\.corvane\\pref_jre.cfg", std::string(10000, 'c') + "\n");
  wchar_t line[kPathCapacity];
  EXPECT_FALSE(readLocationFile(line, L"\\.corvane\\pref_jre.cfg"));
  writeFile(base + "\\.corvane\\pref_jre.cfg", "");
  EXPECT_FALSE(readLocationFile(line, L"\\.corvane\\pref_jre.cfg")) << "no line at all";
  writeFile(base + "\\.corvane\\pref_jre.cfg", "\r\n");
  EXPECT_TRUE(readLocationFile(line, L"\\.corvane\\pref_jre.cfg"));
  EXPECT_STREQ(line, L"");
}

}  // namespace
}  // namespace tessel
