#include "discovery/vendor_keys.h"

#include <windows.h>

#include <cwchar>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/log.h"
#include "discovery/candidate_log.h"
#include "discovery/registry_sources.h"
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
    {"JavaSoft JDK", "JavaSoft\\JDK", L"JavaHome", false, false},
    {"JavaSoft JRE", "JavaSoft\\JRE", L"JavaHome", false, true},
    {"Eclipse Adoptium JDK", "Eclipse Adoptium\\JDK", L"Path", true, false},
    {"Eclipse Adoptium JRE", "Eclipse Adoptium\\JRE", L"Path", true, true},
    {"AdoptOpenJDK JDK", "AdoptOpenJDK\\JDK", L"Path", true, false},
    {"AdoptOpenJDK JRE", "AdoptOpenJDK\\JRE", L"Path", true, true},
    {"Eclipse Foundation JDK", "Eclipse Foundation\\JDK", L"Path", true, false},
    {"Microsoft JDK", "Microsoft\\JDK", L"Path", true, false},
    {"IBM Semeru JDK", "Semeru\\JDK", L"Path", true, false},
    {"IBM Semeru JRE", "Semeru\\JRE", L"Path", true, true},
    {"Azul Zulu", "Azul Systems\\Zulu", L"InstallationPath", false, false},
    {"BellSoft Liberica", "BellSoft\\Liberica", L"InstallationPath", false, false},
};
const size_t kVendorKeyLayoutCount = sizeof(kVendorKeyLayouts) / sizeof(kVendorKeyLayouts[0]);

const wchar_t* vendorKeyPrefix = L"SOFTWARE";

namespace {

constexpr REGSAM kRead = KEY_READ | KEY_WOW64_64KEY;
constexpr size_t kMaxSubkeys = 256;  // per key; more are not read
constexpr size_t kKeyNameCapacity = 256;

struct Walk {
  const char* minimum;
  const char* maximum;
  Candidate& best;
  bool found;
  Candidate candidate;

  void consider(const wchar_t* directory) {
    wchar_t home[kPathCapacity];
    copyText(home, kPathCapacity, directory);
    size_t length = std::wcslen(home);
    while (length > 3 && home[length - 1] == L'\\') home[--length] = 0;
    logLine("registry runtime %S: %S", candidate.source, home);
    if (!javaExeForHome(candidate, home) ||
        !checkJavaExe(candidate, minimum, maximum, PreRelease::Refused))
      return;
    if (!found) {
      best = candidate;
      found = true;
      return;
    }
    // The loser of each comparison is named with the newer version it lost to.
    Candidate& loser = compareVersions(candidate.version, best.version) > 0 ? best : candidate;
    const char* newer = &loser == &best ? candidate.version : best.version;
    wchar_t detail[300];
    formatText(detail, 300, L"%hs; %hs is newer", loser.version, newer);
    refuseCandidate(loser, Verdict::NotChosen, detail);
    if (&loser == &best) best = candidate;
  }
};

// The names of a key's subkeys, walked one at a time: `visit` gets each name.
template <typename Visit>
void forEachSubkey(HKEY key, Visit visit) {
  size_t visited = 0;
  for (DWORD index = 0; visited < kMaxSubkeys; ++index) {
    wchar_t name[kKeyNameCapacity];
    DWORD length = kKeyNameCapacity;
    LONG status = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    // A name too long is skipped; any other failure (the key deleted meanwhile) ends the walk.
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    ++visited;
    visit(name);
  }
}

// A string value of a subkey; false when missing, empty or too long.
bool readValue(HKEY parent, const wchar_t* subkey, const wchar_t* name, wchar_t* out) {
  out[0] = 0;
  unique_hkey key;
  if (RegOpenKeyExW(parent, subkey, 0, kRead, key.put()) != ERROR_SUCCESS) return false;
  return queryRegistryString(key.get(), name, out, kPathCapacity) && out[0] != 0;
}

void walkLayout(Walk& walk, HKEY hive, const wchar_t* hiveName, const VendorKeyLayout& layout) {
  wchar_t rootName[600];
  if (!formatText(rootName, 600, L"%ls\\%hs", vendorKeyPrefix, layout.root)) return;
  unique_hkey root;
  if (RegOpenKeyExW(hive, rootName, 0, kRead, root.put()) != ERROR_SUCCESS) return;
  wchar_t home[kPathCapacity];
  forEachSubkey(root.get(), [&](const wchar_t* version) {
    if (!layout.msiVariants) {
      if (!readValue(root.get(), version, layout.value, home)) return;
      startCandidate(walk.candidate, L"Y %hs %ls\\%ls\\%ls", layout.name, hiveName, rootName,
                     version);
      walk.consider(home);
      return;
    }
    unique_hkey versionKey;
    if (RegOpenKeyExW(root.get(), version, 0, kRead, versionKey.put()) != ERROR_SUCCESS) return;
    forEachSubkey(versionKey.get(), [&](const wchar_t* variant) {
      wchar_t msi[kKeyNameCapacity + 8];
      if (!formatText(msi, kKeyNameCapacity + 8, L"%ls\\MSI", variant) ||
          !readValue(versionKey.get(), msi, layout.value, home))
        return;
      startCandidate(walk.candidate, L"Y %hs %ls\\%ls\\%ls\\%ls\\MSI", layout.name, hiveName,
                     rootName, version, variant);
      walk.consider(home);
    });
  });
}

}  // namespace

bool findVendorRuntime(Candidate& best, const char* minimum, const char* maximum) {
  Walk walk{minimum, maximum, best, false, {}};
  bool jdkRequired = configInt(key::RequireJdk) != 0;
  const struct {
    HKEY hive;
    const wchar_t* name;
  } hives[] = {{HKEY_LOCAL_MACHINE, L"HKLM"}, {HKEY_CURRENT_USER, L"HKCU"}};
  for (const auto& hive : hives)
    for (size_t i = 0; i < kVendorKeyLayoutCount; ++i)
      if (!jdkRequired || !kVendorKeyLayouts[i].jre)
        walkLayout(walk, hive.hive, hive.name, kVendorKeyLayouts[i]);
  if (walk.found) logLine("found registry runtime %S %s", best.executable, best.version);
  return walk.found;
}

}  // namespace tessel
