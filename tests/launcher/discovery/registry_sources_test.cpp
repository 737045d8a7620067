#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "config/config_access.h"
#include "config_keys.h"
#include "discovery/registry_sources.h"
#include "discovery/vendor_keys.h"
#include "discovery/runtime_fixture.h"
#include "util/bounded_text.h"

namespace tessel {
namespace {

using namespace fixture;

// Every source reads keys of this process only; runtimes live in its own directory.
class RegistrySources : public ::testing::Test {
 protected:
  void SetUp() override {
    clearConfiguration();
    saved = registrySourceKeys;
    savedVendorPrefix = vendorKeyPrefix;
    vendorKeyPrefix = L"SOFTWARE\\tessel-tests\\none\\vendor";  // no installed runtimes
    jdkKey = uniqueKey("jdk");
    jreKey = uniqueKey("jre");
    locatedKey = uniqueKey("located");
    installationsKey = uniqueKey("installations");
    for (const std::string* name : {&jdkKey, &jreKey, &locatedKey, &installationsKey})
      wideKeys.push_back(wide(*name));
    registrySourceKeys = {wideKeys[0].c_str(), wideKeys[1].c_str(), wideKeys[2].c_str(),
                          wideKeys[3].c_str()};
    root = makeUniqueDirectory("reg");
  }
  void TearDown() override {
    for (const std::string& home : homes) {
      forgetCachedVersion(home + "\\bin\\java.exe");
      forgetCachedVersion(home + "\\jre\\bin\\java.exe");
    }
    deleteRegistryTree(HKEY_LOCAL_MACHINE, uniqueKey(""));
    deleteRegistryTree(HKEY_CURRENT_USER, uniqueKey(""));
    registrySourceKeys = saved;
    vendorKeyPrefix = savedVendorPrefix;
    clearConfiguration();
    removeTree(root);
  }
  // A runtime reporting `version` in a directory of its own.
  std::string runtime(const std::string& name, const std::string& version) {
    std::string home = root + "\\" + name;
    makeRuntime(home, {"java version \"" + version + "\""});
    homes.push_back(home);
    return home;
  }
  void javaSoft(const std::string& key, const std::string& version, const std::string& home) {
    setRegistryString(HKEY_LOCAL_MACHINE, key + "\\" + version, "JavaHome", home);
  }
  void located(HKEY hive, const std::string& home) {
    std::string name = home + "\\bin\\java.exe";
    for (char& c : name)
      if (c == '\\') c = '/';
    setRegistryString(hive, locatedKey + "\\" + name, "", "");
  }
  std::string exeOf(const std::string& home) { return lowerCase(home + "\\bin\\java.exe"); }
  std::string exe() const { return narrow(found.executable); }

  RegistrySourceKeys saved;
  const wchar_t* savedVendorPrefix = nullptr;
  std::string jdkKey, jreKey, locatedKey, installationsKey, root;
  std::vector<std::wstring> wideKeys;
  std::vector<std::string> homes;
  Candidate found;
};

TEST_F(RegistrySources, CurrentVersionPicksTheGreaterRootAndTheJreOnATie) {
  std::string jre18 = runtime("jre18", "1.8.0_60");
  std::string jdk17 = runtime("jdk17", "1.7.0_80");
  javaSoft(jreKey, "1.8", jre18);
  javaSoft(jdkKey, "1.7", jdk17);
  setRegistryString(HKEY_LOCAL_MACHINE, jreKey, "CurrentVersion", "1.8");
  setRegistryString(HKEY_LOCAL_MACHINE, jdkKey, "CurrentVersion", "1.7");
  ASSERT_TRUE(checkJavaSoftCurrent(found, "", ""));
  EXPECT_EQ(exe(), exeOf(jre18));

  std::string jdk18 = runtime("jdk18", "1.8.0_61");
  javaSoft(jdkKey, "1.8", jdk18);
  setRegistryString(HKEY_LOCAL_MACHINE, jdkKey, "CurrentVersion", "1.8");
  ASSERT_TRUE(checkJavaSoftCurrent(found, "", ""));
  EXPECT_EQ(exe(), exeOf(jre18)) << "a tie goes to the JRE root";

  LauncherConfig[key::RequireJdk] = "1";
  CreateDirectoryA((jdk18 + "\\lib").c_str(), nullptr);
  writeFile(jdk18 + "\\lib\\tools.jar", "jar");
  makeRuntime(jdk18 + "\\jre", {"java version \"1.8.0_61\""});
  ASSERT_TRUE(checkJavaSoftCurrent(found, "", ""));
  EXPECT_EQ(exe(), lowerCase(jdk18 + "\\jre\\bin\\java.exe")) << "JDK only";
}

TEST_F(RegistrySources, VersionKeysAreFilteredThenTriedFromTheHighestDown) {
  javaSoft(jreKey, "1.6.0_45", runtime("a", "1.6.0_45"));
  std::string home17 = runtime("b", "1.7.0_80");
  javaSoft(jreKey, "1.7.0_80", home17);
  std::string home18 = runtime("c", "1.8.0_60");
  javaSoft(jreKey, "1.8.0_60", home18);
  ASSERT_TRUE(checkJavaSoft(found, "1.6", "1.7"));
  EXPECT_EQ(exe(), exeOf(home17));
  EXPECT_EQ(javaRuns(home18 + "\\bin"), 0) << "filtered out before any run";
  EXPECT_EQ(javaRuns(root + "\\a\\bin"), 0) << "the first acceptable one ends the walk";

  // A broken higher entry is skipped for the next one down.
  javaSoft(jreKey, "1.7.1", root + "\\missing");
  ASSERT_TRUE(checkJavaSoft(found, "1.6", "1.7"));
  EXPECT_EQ(exe(), exeOf(home17));
}

TEST_F(RegistrySources, LocatedRuntimesTheMachineWinsATie) {
  std::string user = runtime("user", "1.8.0_60");
  std::string machine = runtime("machine", "1.8.0_60");
  located(HKEY_CURRENT_USER, user);
  located(HKEY_LOCAL_MACHINE, machine);
  ASSERT_TRUE(findLocatedJvmBothHives(found, "", "", true));
  EXPECT_EQ(exe(), exeOf(machine));

  std::string older = runtime("older", "1.7.0_80");
  deleteRegistryTree(HKEY_LOCAL_MACHINE, locatedKey);
  located(HKEY_LOCAL_MACHINE, older);
  ASSERT_TRUE(findLocatedJvmBothHives(found, "", "", true));
  EXPECT_EQ(exe(), exeOf(user));
  EXPECT_STREQ(found.version, "1.8.0_60");
}

TEST_F(RegistrySources, LocatedBestVersionAndItsRuns) {
  std::string a = runtime("a", "1.7.0_80");
  std::string b = runtime("b", "1.8.0_60");
  std::string c = runtime("c", "1.8.0-ea");
  for (const std::string& home : {a, b, c}) located(HKEY_CURRENT_USER, home);
  ASSERT_TRUE(findLocatedJvm(HKEY_CURRENT_USER, found, "", "", true));
  EXPECT_EQ(exe(), exeOf(b)) << "1.8.0_60 sorts above 1.8.0-ea";
  for (const std::string& home : {a, b, c}) EXPECT_EQ(javaRuns(home + "\\bin"), 1);
}

TEST_F(RegistrySources, JavaSoftAgainstLocated) {
  std::string soft = runtime("soft", "1.7.0_80");
  std::string loc = runtime("loc", "1.7.0_80");
  javaSoft(jreKey, "1.7", soft);
  setRegistryString(HKEY_LOCAL_MACHINE, jreKey, "CurrentVersion", "1.7");
  located(HKEY_CURRENT_USER, loc);
  ASSERT_TRUE(checkRegistrySources(found, "", ""));
  EXPECT_EQ(exe(), exeOf(loc)) << "the located runtime wins a tie";

  std::string soft18 = runtime("soft18", "1.8.0_60");
  javaSoft(jreKey, "1.8", soft18);
  setRegistryString(HKEY_LOCAL_MACHINE, jreKey, "CurrentVersion", "1.8");
  ASSERT_TRUE(checkRegistrySources(found, "", ""));
  EXPECT_EQ(exe(), exeOf(soft18));
}

// 17.0.10 is newer than 17.0.9 and 11 newer than 9 wherever two versions meet.
TEST_F(RegistrySources, EveryChoiceComparesVersionsAsNumbers) {
  std::string nine = runtime("nine", "17.0.9");
  std::string ten = runtime("ten", "17.0.10");
  located(HKEY_CURRENT_USER, nine);
  located(HKEY_CURRENT_USER, ten);
  ASSERT_TRUE(findLocatedJvm(HKEY_CURRENT_USER, found, "", "", true));
  EXPECT_EQ(exe(), exeOf(ten)) << "located runtimes";

  deleteRegistryTree(HKEY_CURRENT_USER, locatedKey);
  located(HKEY_CURRENT_USER, ten);
  located(HKEY_LOCAL_MACHINE, nine);
  ASSERT_TRUE(findLocatedJvmBothHives(found, "", "", true));
  EXPECT_EQ(exe(), exeOf(ten)) << "the user's newer runtime beats the machine's";

  std::string j9 = runtime("j9", "9.0.4");
  std::string j11 = runtime("j11", "11.0.2");
  javaSoft(jreKey, "9", j9);
  javaSoft(jreKey, "11", j11);
  ASSERT_TRUE(checkJavaSoftVersions(wide(jreKey).c_str(), found, "", ""));
  EXPECT_EQ(exe(), exeOf(j11)) << "version keys from the newest down";
  EXPECT_EQ(javaRuns(j9 + "\\bin"), 0);
  ASSERT_TRUE(checkJavaSoftVersions(wide(jreKey).c_str(), found, "9", "10"));
  EXPECT_EQ(exe(), exeOf(j9)) << "the key 11 is above a maximum of 10";

  javaSoft(jdkKey, "9", j9);
  setRegistryString(HKEY_LOCAL_MACHINE, jdkKey, "CurrentVersion", "11");
  javaSoft(jdkKey, "11", j11);
  setRegistryString(HKEY_LOCAL_MACHINE, jreKey, "CurrentVersion", "9");
  ASSERT_TRUE(checkJavaSoftCurrent(found, "", ""));
  EXPECT_EQ(exe(), exeOf(j11)) << "the JDK root's 11 is above the JRE root's 9";

  // JavaSoft's 9.0.4 against the located 17.0.10 (user) and 17.0.9 (machine).
  setRegistryString(HKEY_LOCAL_MACHINE, jdkKey, "CurrentVersion", "9");
  ASSERT_TRUE(checkRegistrySources(found, "", ""));
  EXPECT_EQ(exe(), exeOf(ten)) << "between the sources";
}

// A located key deleted while its runtimes are validated ends the walk; it used to spin for
// ever on the failing enumeration.
TEST_F(RegistrySources, AWalkEndsWhenItsKeyIsDeleted) {
  for (const char* name : {"a", "b", "c"}) {
    std::string home = runtime(name, "17.0.2");
    makeRuntime(home, {"java version \"17.0.2\"", 0, 1});  // each answers after a second
    located(HKEY_CURRENT_USER, home);
  }
  struct Walk {
    Candidate* best;
    bool found;
  } walk{&found, false};
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](void* p) -> DWORD {
        Walk* w = static_cast<Walk*>(p);
        w->found = findLocatedJvm(HKEY_CURRENT_USER, *w->best, "", "", true);
        return 0;
      },
      &walk, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  Sleep(300);
  deleteRegistryTree(HKEY_CURRENT_USER, locatedKey);
  DWORD waited = WaitForSingleObject(thread, 30000);
  if (waited != WAIT_OBJECT_0) TerminateThread(thread, 1);
  CloseHandle(thread);
  ASSERT_EQ(waited, static_cast<DWORD>(WAIT_OBJECT_0)) << "the walk did not end";
  EXPECT_TRUE(walk.found) << "the runtime validated before the key went away still counts";
}

TEST_F(RegistrySources, SharedRuntimesOnlySkipsJavaSoftAndForeignLocations) {
  std::string soft = runtime("soft", "1.8.0_60");
  javaSoft(jreKey, "1.8", soft);
  setRegistryString(HKEY_LOCAL_MACHINE, jreKey, "CurrentVersion", "1.8");
  std::string foreign = runtime("foreign", "1.8.0_60");
  located(HKEY_CURRENT_USER, foreign);
  LauncherConfig[key::SharedRuntimesOnly] = "1";
  EXPECT_FALSE(checkRegistrySources(found, "", ""));
  EXPECT_EQ(javaRuns(soft + "\\bin"), 0);
  EXPECT_EQ(javaRuns(foreign + "\\bin"), 0) << "not even validated";
  std::string shared = runtime("cvn_jres", "1.7.0_80");
  located(HKEY_CURRENT_USER, shared);
  ASSERT_TRUE(checkRegistrySources(found, "", ""));
  EXPECT_EQ(exe(), exeOf(shared));
}

TEST_F(RegistrySources, InstallationsTakeTheFirstAcceptableJreFolder) {
  LauncherConfig[key::ApplicationId] = "1234-5678";
  EXPECT_FALSE(checkInstallations(HKEY_CURRENT_USER, 0, found, "", "")) << "no key yet";
  std::string first = root + "\\first";
  std::string second = root + "\\second";
  runtime("first\\jre", "1.5.0_22");
  runtime("second\\jre", "1.8.0_60");
  setRegistryString(HKEY_CURRENT_USER, installationsKey, "1234-5678",
                    ";" + root + "\\none;;" + first + ";" + second + ";");
  ASSERT_TRUE(checkInstallations(HKEY_CURRENT_USER, KEY_WOW64_64KEY, found, "1.6", ""));
  EXPECT_EQ(exe(), lowerCase(second + "\\jre\\bin\\java.exe"));
  LauncherConfig[key::ApplicationId] = "";
  EXPECT_FALSE(checkInstallations(HKEY_CURRENT_USER, 0, found, "", ""));
}

// Registry values and the application id keep their letters: a home in a folder beyond the
// code page, an id with a letter of Latin-1 (stored as such in the block).
TEST_F(RegistrySources, NamesBeyondTheCodePageKeepTheirLetters) {
  const std::wstring folder = L"\\\u042f\u0432\u0430 \u00e9";
  const std::wstring home = wide(root) + folder;
  ASSERT_TRUE(MoveFileW(wide(runtime("made", "1.8.0_60")).c_str(), home.c_str()));
  setRegistryStringW(HKEY_LOCAL_MACHINE, wide(jreKey) + L"\\1.8", L"JavaHome", home);
  ASSERT_TRUE(checkJavaSoft(found, "", ""));
  const std::wstring executable = wide(lowerCase(root)) + folder + L"\\bin\\java.exe";
  EXPECT_EQ(std::wstring(found.executable), executable);
  EXPECT_STREQ(found.version, "1.8.0_60");
  forgetCachedVersion(executable);

  std::string installation = root + "\\inst";
  runtime("inst\\jre", "1.8.0_60");
  LauncherConfig[key::ApplicationId] = "caf\xe9";
  setRegistryStringW(HKEY_CURRENT_USER, wide(installationsKey), L"caf\u00e9", wide(installation));
  ASSERT_TRUE(checkInstallations(HKEY_CURRENT_USER, 0, found, "", ""));
  EXPECT_EQ(exe(), lowerCase(installation + "\\jre\\bin\\java.exe"));
  EXPECT_STREQ(found.source, L"previous installation (user)");
}

TEST_F(RegistrySources, ValuesWithoutTerminatorOrTooLong) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, jreKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("1.8xyz"), 3);
  std::string big(7000, 'v');
  RegSetValueExA(key, "big", 0, REG_SZ, reinterpret_cast<const BYTE*>(big.c_str()),
                 static_cast<DWORD>(big.size() + 1));
  RegCloseKey(key);
  wchar_t small[100];
  const std::wstring name = wide(jreKey);
  ASSERT_TRUE(readRegistryValue(HKEY_CURRENT_USER, name.c_str(), L"bare", small, 100));
  EXPECT_STREQ(small, L"1.8");
  wchar_t out[kPathCapacity];
  EXPECT_FALSE(readRegistryValue(HKEY_CURRENT_USER, name.c_str(), L"big", out, kPathCapacity));
  EXPECT_STREQ(out, L"");
  EXPECT_FALSE(readRegistryValue(HKEY_CURRENT_USER, name.c_str(), L"big", small, 4));
  RegOpenKeyExA(HKEY_CURRENT_USER, jreKey.c_str(), 0, KEY_SET_VALUE, &key);
  RegSetValueExA(key, "number", 0, REG_DWORD, reinterpret_cast<const BYTE*>("1234"), 4);
  RegCloseKey(key);
  EXPECT_FALSE(readRegistryValue(HKEY_CURRENT_USER, name.c_str(), L"number", out, kPathCapacity))
      << "only string values are text";
}

}  // namespace
}  // namespace tessel
