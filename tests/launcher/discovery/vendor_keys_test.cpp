// The registry layouts of today's installers, written as they write them below a key of this
// process, read through the real registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "config/config_access.h"
#include "config_keys.h"
#include "discovery/candidate_log.h"
#include "discovery/registry_sources.h"
#include "discovery/runtime_fixture.h"
#include "discovery/vendor_keys.h"
#include "util/bounded_text.h"

namespace tessel {
namespace {

using namespace fixture;

class VendorKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    clearConfiguration();
    clearCandidates();
    savedKeys = registrySourceKeys;
    savedPrefix = vendorKeyPrefix;
    javaSoftJdk = uniqueKey("jdk");
    javaSoftJre = uniqueKey("jre");
    wideJdk = wide(javaSoftJdk);
    wideJre = wide(javaSoftJre);
    registrySourceKeys = {wideJdk.c_str(), wideJre.c_str(), L"SOFTWARE\\tessel-tests\\none\\c",
                          L"SOFTWARE\\tessel-tests\\none\\d"};
    prefix = uniqueKey("vendor");
    widePrefix = wide(prefix);
    vendorKeyPrefix = widePrefix.c_str();
    root = makeUniqueDirectory("vendor");
  }
  void TearDown() override {
    for (const std::string& home : homes) forgetCachedVersion(home + "\\bin\\java.exe");
    deleteRegistryTree(HKEY_LOCAL_MACHINE, uniqueKey(""));
    deleteRegistryTree(HKEY_CURRENT_USER, uniqueKey(""));
    registrySourceKeys = savedKeys;
    vendorKeyPrefix = savedPrefix;
    clearConfiguration();
    removeTree(root);
  }
  // A runtime whose release file names `version`: what is tested here is where the keys lead,
  // so no run of java.exe (whose start a loaded machine can fail now and then) decides it.
  std::string runtime(const std::string& name, const std::string& version) {
    std::string home = root + "\\" + name;
    RuntimeLayout layout;
    layout.banner = "openjdk version \"" + version + "\"";
    layout.release = releaseText(version);
    makeRuntime(home, layout);
    homes.push_back(home);
    return home;
  }
  void value(HKEY hive, const std::string& key, const char* name, const std::string& data) {
    setRegistryString(hive, prefix + "\\" + key, name, data);
  }
  bool find() { return findVendorRuntime(found, "", ""); }
  std::string executable() const { return narrow(found.executable); }
  std::string exeOf(const std::string& home) { return lowerCase(home + "\\bin\\java.exe"); }
  static std::string refusals() {
    std::string lines;
    for (int i = 0; i < refusedCandidates(); ++i) lines += narrow(refusedCandidateLine(i)) + "\n";
    return lines;
  }

  RegistrySourceKeys savedKeys;
  const wchar_t* savedPrefix;
  std::string javaSoftJdk, javaSoftJre, prefix, root;
  std::wstring wideJdk, wideJre, widePrefix;
  std::vector<std::string> homes;
  Candidate found;
};

TEST_F(VendorKeys, EachLayoutNamesItsRuntime) {
  struct Case {
    HKEY hive;
    std::string key;
    const char* value;
  } cases[] = {
      {HKEY_LOCAL_MACHINE, "JavaSoft\\JDK\\17.0.2", "JavaHome"},
      {HKEY_LOCAL_MACHINE, "JavaSoft\\JRE\\9.0.4", "JavaHome"},
      {HKEY_LOCAL_MACHINE, "Eclipse Adoptium\\JDK\\17.0.2.8\\hotspot\\MSI", "Path"},
      {HKEY_CURRENT_USER, "Eclipse Adoptium\\JRE\\11.0.14.9\\hotspot\\MSI", "Path"},
      {HKEY_LOCAL_MACHINE, "AdoptOpenJDK\\JDK\\11.0.10.9\\openj9\\MSI", "Path"},
      {HKEY_LOCAL_MACHINE, "AdoptOpenJDK\\JRE\\8.0.282.8\\hotspot\\MSI", "Path"},
      {HKEY_LOCAL_MACHINE, "Eclipse Foundation\\JDK\\16.0.2.7\\hotspot\\MSI", "Path"},
      {HKEY_CURRENT_USER, "Microsoft\\JDK\\21.0.1.12\\hotspot\\MSI", "Path"},
      {HKEY_LOCAL_MACHINE, "Semeru\\JDK\\17.0.5.8\\openj9\\MSI", "Path"},
      {HKEY_LOCAL_MACHINE, "Semeru\\JRE\\8.0.352.8\\openj9\\MSI", "Path"},
      {HKEY_LOCAL_MACHINE, "Azul Systems\\Zulu\\zulu-17", "InstallationPath"},
      {HKEY_LOCAL_MACHINE, "BellSoft\\Liberica\\jdk-21", "InstallationPath"},
  };
  int index = 0;
  for (const Case& c : cases) {
    std::string home = runtime("rt" + std::to_string(index++), "17.0.2");
    // Installers write the directory with a trailing backslash.
    value(c.hive, c.key, c.value, home + "\\");
    EXPECT_TRUE(find()) << c.key << "\n" << refusals();
    EXPECT_EQ(executable(), exeOf(home)) << c.key;
    EXPECT_STREQ(found.version, "17.0.2");
    EXPECT_EQ(javaRuns(home + "\\bin"), 0) << "the release file names the version";
    deleteRegistryTree(c.hive, prefix);
  }
  EXPECT_FALSE(find());
}

TEST_F(VendorKeys, NewestAcceptedRuntimeWinsAcrossVendorsAndHives) {
  std::string temurin = runtime("temurin", "17.0.2");
  std::string zulu = runtime("zulu", "21.0.1");
  std::string microsoft = runtime("microsoft", "11.0.22");
  std::string tooNew = runtime("new", "22");
  std::string ea = runtime("ea", "23-ea");
  value(HKEY_LOCAL_MACHINE, "Eclipse Adoptium\\JDK\\17.0.2.8\\hotspot\\MSI", "Path", temurin);
  value(HKEY_CURRENT_USER, "Azul Systems\\Zulu\\zulu-21", "InstallationPath", zulu);
  value(HKEY_LOCAL_MACHINE, "Microsoft\\JDK\\11.0.22.7\\hotspot\\MSI", "Path", microsoft);
  value(HKEY_LOCAL_MACHINE, "BellSoft\\Liberica\\jdk-22", "InstallationPath", tooNew);
  value(HKEY_LOCAL_MACHINE, "JavaSoft\\JDK\\23", "JavaHome", ea);
  value(HKEY_LOCAL_MACHINE, "JavaSoft\\JDK\\24", "JavaHome", root + "\\missing");
  ASSERT_TRUE(findVendorRuntime(found, "11", "21"));
  EXPECT_EQ(executable(), exeOf(zulu)) << "21.0.1 is newer than 17.0.2 (not by text)";
  EXPECT_STREQ(found.version, "21.0.1");
  EXPECT_EQ(found.verdict, Verdict::Accepted);
  EXPECT_EQ(narrow(found.source), "Y Azul Zulu HKCU\\" + prefix + "\\Azul Systems\\Zulu\\zulu-21")
      << "the runtime taken names its own key";

  // Every candidate that was looked at and not taken has its line.
  std::string lines = refusals();
  EXPECT_NE(lines.find("version out of range (22;"), std::string::npos) << lines;
  EXPECT_NE(lines.find("pre-release (23-ea;"), std::string::npos) << lines;
  EXPECT_NE(lines.find("missing: not found"), std::string::npos) << lines;
  EXPECT_NE(lines.find("not tried (17.0.2; 21.0.1 is newer)"), std::string::npos) << lines;
  EXPECT_NE(lines.find("  Y Eclipse Adoptium JDK HKLM\\" + prefix +
                       "\\Eclipse Adoptium\\JDK\\17.0.2.8\\hotspot\\MSI -> " +
                       lowerCase(temurin) + ": not tried"),
            std::string::npos)
      << "names the key";
}

TEST_F(VendorKeys, JdkRequiredSkipsTheRuntimeOnlyKeys) {
  std::string jre = runtime("jre", "17.0.2");
  value(HKEY_LOCAL_MACHINE, "Eclipse Adoptium\\JRE\\17.0.2.8\\hotspot\\MSI", "Path", jre);
  value(HKEY_LOCAL_MACHINE, "JavaSoft\\JRE\\17.0.2", "JavaHome", jre);
  LauncherConfig[key::RequireJdk] = "1";
  EXPECT_FALSE(find());
  EXPECT_EQ(refusedCandidates(), 0) << "not even looked at";
}

TEST_F(VendorKeys, RegistrySourceTakesTheNewerOfJavaSoftAndTheVendorKeys) {
  std::string old = runtime("old", "1.8.0_292");
  std::string temurin = runtime("temurin", "17.0.2");
  setRegistryString(HKEY_LOCAL_MACHINE, javaSoftJre + "\\1.8", "JavaHome", old);
  ASSERT_TRUE(checkRegistrySources(found, "1.8", ""));
  EXPECT_EQ(executable(), exeOf(old));
  value(HKEY_LOCAL_MACHINE, "Eclipse Adoptium\\JDK\\17.0.2.8\\hotspot\\MSI", "Path", temurin);
  clearCandidates();
  ASSERT_TRUE(checkRegistrySources(found, "1.8", ""));
  EXPECT_EQ(executable(), exeOf(temurin)) << refusals();
  // The runtime taken is named as its source, should its library fail to load, and the one
  // it replaced has its line.
  EXPECT_EQ(narrow(found.source).rfind("Y Eclipse Adoptium JDK HKLM\\", 0), 0u)
      << narrow(found.source);
  EXPECT_NE(refusals().find("  Y JavaSoft HKLM\\" + javaSoftJre + "\\1.8 -> " + lowerCase(old) +
                            ": not tried (1.8.0_292; 17.0.2 is preferred)"),
            std::string::npos)
      << refusals();
  // The same version in both: the JavaSoft key keeps it.
  setRegistryString(HKEY_LOCAL_MACHINE, javaSoftJre + "\\1.8", "JavaHome", temurin);
  std::string copy = runtime("copy", "17.0.2");
  deleteRegistryTree(HKEY_LOCAL_MACHINE, prefix);
  value(HKEY_LOCAL_MACHINE, "Microsoft\\JDK\\17.0.2.8\\hotspot\\MSI", "Path", copy);
  ASSERT_TRUE(checkRegistrySources(found, "1.8", ""));
  EXPECT_EQ(executable(), exeOf(temurin));

  LauncherConfig[key::SharedRuntimesOnly] = "1";
  EXPECT_FALSE(checkRegistrySources(found, "1.8", "")) << "shared runtimes only: no vendor keys";
}

}  // namespace
}  // namespace tessel
