#include "discovery/vendor_keys.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/log.h"
#include "discovery/candidate_log.h"
#include "discovery/validation.h"
#include "discovery/version_rules.h"
#include "util/bounded_text.h"
#include "util/handles.h"

namespace tessel {

// Where the installers write, as their documentation and programs that look for Java on
// Windows read it (the Adoptium and AdoptOpenJDK installer documentation of registry keys,
// the Red Hat OpenJDK MSI component list, Amazon Corretto's installer issues about its
// JavaSoft keys, Xamarin.Android.Tools' JDK locations, the Prism/MultiMC launcher's Java
// search, an NSIS Java-locating plug-in's table of keys per vendor):
//   JavaSoft 9+      JavaSoft\JDK\<version> and JavaSoft\JRE\<version>: JavaHome. Oracle's
//                    installers since 9, Amazon Corretto 11 and later and Red Hat write it;
//                    Corretto 8 writes the old "Java Development Kit"/"Java Runtime
//                    Environment" layout, which the JavaSoft source already reads.
//   Eclipse Adoptium <vendor>\JDK|JRE\<version>\hotspot\MSI: Path (per-machine in HKLM,
//   AdoptOpenJDK      per-user in HKCU). AdoptOpenJDK also wrote openj9\MSI; Eclipse
//   Eclipse Foundation Foundation is the name of the first Temurin releases.
//   Microsoft        Microsoft\JDK\<version>\hotspot\MSI: Path.
//   IBM Semeru       Semeru\JDK|JRE\<version>\openj9\MSI: Path.
//   Azul Zulu        Azul Systems\Zulu\zulu-<major>[-jre]: InstallationPath.
//   BellSoft Liberica BellSoft\Liberica\jdk-<major>|jre-<major>: InstallationPath.
// The MSI layouts are read for every variant below the version key, not only hotspot.
const VendorKeyLayout kVendorKeyLayouts[] = {
    {"JavaSoft JDK", "JavaSoft\\JDK", "JavaHome", false, false},
    {"JavaSoft JRE", "JavaSoft\\JRE", "JavaHome", false, true},
    {"Eclipse Adoptium JDK", "Eclipse Adoptium\\JDK", "Path", true, false},
    {"Eclipse Adoptium JRE", "Eclipse Adoptium\\JRE", "Path", true, true},
    {"AdoptOpenJDK JDK", "AdoptOpenJDK\\JDK", "Path", true, false},
    {"AdoptOpenJDK JRE", "AdoptOpenJDK\\JRE", "Path", true, true},
    {"Eclipse Foundation JDK", "Eclipse Foundation\\JDK", "Path", true, false},
    {"Microsoft JDK", "Microsoft\\JDK", "Path", true, false},
    {"IBM Semeru JDK", "Semeru\\JDK", "Path", true, false},
    {"IBM Semeru JRE", "Semeru\\JRE", "Path", true, true},
    {"Azul Zulu", "Azul Systems\\Zulu", "InstallationPath", false, false},
    {"BellSoft Liberica", "BellSoft\\Liberica", "InstallationPath", false, false},
};
const size_t kVendorKeyLayoutCount = sizeof(kVendorKeyLayouts) / sizeof(kVendorKeyLayouts[0]);

const char* vendorKeyPrefix = "SOFTWARE";

namespace {

constexpr REGSAM kRead = KEY_READ | KEY_WOW64_64KEY;
constexpr size_t kMaxSubkeys = 256;  // per key; more are not read

struct Accepted {
  std::string executable, version, source;
};

struct Walk {
  const char* minimum;
  const char* maximum;
  std::vector<Accepted> accepted;

  void candidate(const char* source, const char* directory) {
    setCandidateSource("%s", source);
    char home[kPathCapacity];
    copyText(home, kPathCapacity, directory);
    size_t length = std::strlen(home);
    while (length > 3 && home[length - 1] == '\\') home[--length] = 0;
    char executable[kPathCapacity];
    char version[kPathCapacity];
    logLine("registry runtime %s: %s", source, home);
    if (javaExeForHome(executable, home) &&
        checkJavaExe(executable, version, minimum, maximum, PreRelease::Refused))
      accepted.push_back({executable, version, source});
  }
};

std::vector<std::string> subkeys(HKEY key) {
  std::vector<std::string> names;
  for (DWORD index = 0; names.size() < kMaxSubkeys; ++index) {
    char name[256];
    DWORD length = sizeof(name);
    LONG status = RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    // A name too long is skipped; any other failure (the key deleted meanwhile) ends the walk.
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

// A string value of a subkey; false when missing, empty or too long.
bool readValue(HKEY parent, const std::string& subkey, const char* name, char* out) {
  out[0] = 0;
  unique_hkey key;
  if (RegOpenKeyExA(parent, subkey.c_str(), 0, kRead, key.put()) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(kPathCapacity - 1);
  if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    out[0] = 0;
    return false;
  }
  out[size] = 0;
  return out[0] != 0;
}

void walkLayout(Walk& walk, HKEY hive, const char* hiveName, const VendorKeyLayout& layout) {
  char rootName[600];
  if (!formatText(rootName, sizeof(rootName), "%s\\%s", vendorKeyPrefix, layout.root)) return;
  unique_hkey root;
  if (RegOpenKeyExA(hive, rootName, 0, kRead, root.put()) != ERROR_SUCCESS) return;
  char home[kPathCapacity];
  char source[1200];
  for (const std::string& version : subkeys(root.get())) {
    if (!layout.msiVariants) {
      formatText(source, sizeof(source), "Y %s %s\\%s\\%s", layout.name, hiveName, rootName,
                 version.c_str());
      if (readValue(root.get(), version, layout.value, home)) walk.candidate(source, home);
      continue;
    }
    unique_hkey versionKey;
    if (RegOpenKeyExA(root.get(), version.c_str(), 0, kRead, versionKey.put()) != ERROR_SUCCESS)
      continue;
    for (const std::string& variant : subkeys(versionKey.get())) {
      formatText(source, sizeof(source), "Y %s %s\\%s\\%s\\%s\\MSI", layout.name, hiveName,
                 rootName, version.c_str(), variant.c_str());
      if (readValue(versionKey.get(), variant + "\\MSI", layout.value, home))
        walk.candidate(source, home);
    }
  }
}

}  // namespace

bool findVendorRuntime(char* executable, char* version, const char* minimum,
                       const char* maximum) {
  executable[0] = 0;
  version[0] = 0;
  Walk walk{minimum, maximum, {}};
  bool jdkRequired = configInt(key::RequireJdk) != 0;
  const struct {
    HKEY hive;
    const char* name;
  } hives[] = {{HKEY_LOCAL_MACHINE, "HKLM"}, {HKEY_CURRENT_USER, "HKCU"}};
  for (const auto& hive : hives)
    for (size_t i = 0; i < kVendorKeyLayoutCount; ++i)
      if (!jdkRequired || !kVendorKeyLayouts[i].jre)
        walkLayout(walk, hive.hive, hive.name, kVendorKeyLayouts[i]);
  if (walk.accepted.empty()) return false;
  size_t best = 0;
  for (size_t i = 1; i < walk.accepted.size(); ++i)
    if (compareVersions(walk.accepted[i].version.c_str(), walk.accepted[best].version.c_str()) > 0)
      best = i;
  for (size_t i = 0; i < walk.accepted.size(); ++i) {
    if (i == best) continue;
    setCandidateSource("%s", walk.accepted[i].source.c_str());
    char detail[300];
    formatText(detail, sizeof(detail), "%s; %s is newer", walk.accepted[i].version.c_str(),
               walk.accepted[best].version.c_str());
    refuseCandidate(walk.accepted[i].executable.c_str(), Refusal::NotChosen, detail);
  }
  setCandidateSource("%s", walk.accepted[best].source.c_str());
  copyText(executable, kPathCapacity, walk.accepted[best].executable.c_str());
  copyText(version, kPathCapacity, walk.accepted[best].version.c_str());
  logLine("found registry runtime %s %s", executable, version);
  return true;
}

}  // namespace tessel
