#include "discovery/registry_sources.h"

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/log.h"
#include "discovery/candidate_log.h"
#include "discovery/entry_list.h"
#include "discovery/validation.h"
#include "discovery/vendor_keys.h"
#include "discovery/version_rules.h"
#include "util/bounded_text.h"
#include "util/handles.h"

namespace tessel {

RegistrySourceKeys registrySourceKeys = {
    L"SOFTWARE\\JavaSoft\\Java Development Kit",
    L"SOFTWARE\\JavaSoft\\Java Runtime Environment",
    L"SOFTWARE\\brightmoor\\tessel\\locatedjvms",
    L"SOFTWARE\\brightmoor\\corvane\\installations",
};

namespace {

int compareNames(const void* a, const void* b) {
  return compareVersions(*static_cast<const char* const*>(a),
                         *static_cast<const char* const*>(b));
}

constexpr size_t kCurrentVersionCapacity = 100;
constexpr size_t kKeyNameCapacity = 256;  // the longest key name, with its terminator

bool acceptHome(Candidate& candidate, const wchar_t* home, const char* minimum,
                const char* maximum) {
  return javaExeForHome(candidate, home) &&
         checkJavaExe(candidate, minimum, maximum, PreRelease::Refused);
}

// The CurrentVersion of a root when it lies in the range, else empty.
void currentVersionInRange(const wchar_t* root, char* out, const char* minimum,
                           const char* maximum) {
  wchar_t value[kCurrentVersionCapacity];
  if (!readRegistryValue(HKEY_LOCAL_MACHINE, root, L"CurrentVersion", value,
                         kCurrentVersionCapacity) ||
      !versionTextOf(value, out, kCurrentVersionCapacity) ||
      !versionPrefixInRange(out, minimum, maximum))
    out[0] = 0;
}

// An acceptable runtime that lost to a newer one.
void noteNotChosen(Candidate& loser, const char* newer) {
  wchar_t detail[300];
  formatText(detail, 300, L"%hs; %hs is preferred", loser.version, newer);
  refuseCandidate(loser, Verdict::NotChosen, detail);
}

const wchar_t* hiveName(HKEY hive) { return hive == HKEY_CURRENT_USER ? L"HKCU" : L"HKLM"; }

}  // namespace

bool queryRegistryString(HKEY key, const wchar_t* name, wchar_t* out, size_t capacity) {
  out[0] = 0;
  if (capacity < 2) return false;
  // One unit is kept back for the terminator a stored value may lack.
  DWORD size = static_cast<DWORD>((capacity - 1) * sizeof(wchar_t));
  DWORD type = REG_NONE;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    out[0] = 0;
    return false;
  }
  out[size / sizeof(wchar_t)] = 0;
  return true;
}

bool readRegistryValue(HKEY hive, const wchar_t* key, const wchar_t* name, wchar_t* out,
                       size_t capacity, REGSAM view) {
  out[0] = 0;
  unique_hkey opened;
  if (RegOpenKeyExW(hive, key, 0, KEY_READ | view, opened.put()) != ERROR_SUCCESS) return false;
  return queryRegistryString(opened.get(), name, out, capacity);
}

bool checkJavaSoftCurrent(Candidate& found, const char* minimum, const char* maximum) {
  char jdk[kCurrentVersionCapacity];
  char jre[kCurrentVersionCapacity] = "";
  currentVersionInRange(registrySourceKeys.javaSoftJdk, jdk, minimum, maximum);
  if (configInt(key::RequireJdk) == 0)
    currentVersionInRange(registrySourceKeys.javaSoftJre, jre, minimum, maximum);
  bool useJdk = compareVersions(jdk, jre) > 0;
  const wchar_t* root = useJdk ? registrySourceKeys.javaSoftJdk : registrySourceKeys.javaSoftJre;
  const char* current = useJdk ? jdk : jre;
  wchar_t keyName[kPathCapacity];
  if (!formatText(keyName, kPathCapacity, current[0] ? L"%ls\\%hs" : L"%ls%hs", root, current))
    return false;
  wchar_t home[kPathCapacity];
  if (!readRegistryValue(HKEY_LOCAL_MACHINE, keyName, L"JavaHome", home, kPathCapacity))
    return false;
  startCandidate(found, L"Y JavaSoft HKLM\\%ls", keyName);
  return acceptHome(found, home, minimum, maximum);
}

bool checkJavaSoftVersions(const wchar_t* root, Candidate& found, const char* minimum,
                           const char* maximum) {
  unique_hkey rootKey;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, root, 0, KEY_READ, rootKey.put()) != ERROR_SUCCESS)
    return false;
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[kKeyNameCapacity];
    DWORD length = kKeyNameCapacity;
    LONG status = RegEnumKeyExW(rootKey.get(), index, name, &length, nullptr, nullptr, nullptr,
                                nullptr);
    // A name too long is skipped; any other failure (the key deleted meanwhile) ends the walk.
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    char version[kKeyNameCapacity];
    if (versionTextOf(name, version, kKeyNameCapacity) &&
        versionPrefixInRange(version, minimum, maximum))
      names.emplace_back(version);
  }
  // Ascending by version (17 after 9), walked from the newest down. Sorted by the C
  // runtime's sort, over pointers (a std::string must not be moved byte by byte).
  std::vector<const char*> order(names.size());
  for (size_t i = 0; i < names.size(); ++i) order[i] = names[i].c_str();
  if (order.size() > 1) std::qsort(order.data(), order.size(), sizeof(order[0]), compareNames);
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    wchar_t name[kKeyNameCapacity];
    formatText(name, kKeyNameCapacity, L"%hs", *it);  // ASCII, as read
    unique_hkey versionKey;
    if (RegOpenKeyExW(rootKey.get(), name, 0, KEY_READ, versionKey.put()) != ERROR_SUCCESS)
      continue;
    wchar_t home[kPathCapacity];
    if (!queryRegistryString(versionKey.get(), L"JavaHome", home, kPathCapacity)) continue;
    startCandidate(found, L"Y JavaSoft HKLM\\%ls\\%ls", root, name);
    if (acceptHome(found, home, minimum, maximum)) return true;
  }
  return false;
}

bool checkJavaSoft(Candidate& found, const char* minimum, const char* maximum) {
  if (checkJavaSoftCurrent(found, minimum, maximum)) return true;
  if (configInt(key::RequireJdk) == 0 &&
      checkJavaSoftVersions(registrySourceKeys.javaSoftJre, found, minimum, maximum))
    return true;
  return checkJavaSoftVersions(registrySourceKeys.javaSoftJdk, found, minimum, maximum);
}

bool findLocatedJvm(HKEY hive, Candidate& best, const char* minimum, const char* maximum,
                    bool anyLocated) {
  unique_hkey located;
  if (RegOpenKeyExW(hive, registrySourceKeys.locatedJvms, 0, KEY_READ, located.put()) !=
      ERROR_SUCCESS)
    return false;
  bool found = false;
  Candidate candidate;
  for (DWORD index = 0;; ++index) {
    wchar_t name[kKeyNameCapacity];
    DWORD length = kKeyNameCapacity;
    LONG status = RegEnumKeyExW(located.get(), index, name, &length, nullptr, nullptr,
                                nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;  // as in the walk of the JavaSoft keys
    if (status != ERROR_SUCCESS) break;
    for (wchar_t* p = name; *p; ++p)
      if (*p == L'/') *p = L'\\';
    if (!anyLocated && !std::wcsstr(name, L"cvn_jres")) continue;
    startCandidate(candidate, L"Y located runtime (%ls)", hiveName(hive));
    setCandidateExecutable(candidate, name);
    if (!checkJavaExe(candidate, minimum, maximum, PreRelease::Allowed)) continue;
    if (!found) {
      best = candidate;
      found = true;
    } else if (compareVersions(candidate.version, best.version) > 0) {
      noteNotChosen(best, candidate.version);
      best = candidate;
    } else {
      noteNotChosen(candidate, best.version);
    }
  }
  return found;
}

bool findLocatedJvmBothHives(Candidate& best, const char* minimum, const char* maximum,
                             bool anyLocated) {
  Candidate machine;
  bool user = findLocatedJvm(HKEY_CURRENT_USER, best, minimum, maximum, anyLocated);
  bool inMachine = findLocatedJvm(HKEY_LOCAL_MACHINE, machine, minimum, maximum, anyLocated);
  if (!inMachine) return user;
  if (!user || compareVersions(best.version, machine.version) <= 0) {
    if (user) noteNotChosen(best, machine.version);
    best = machine;
  } else {
    noteNotChosen(machine, best.version);
  }
  return true;
}

bool checkRegistrySources(Candidate& chosen, const char* minimum, const char* maximum) {
  bool sharedOnly = configInt(key::SharedRuntimesOnly) != 0;
  Candidate other;
  bool javaSoft = false;
  if (!sharedOnly) {
    javaSoft = checkJavaSoft(chosen, minimum, maximum);
    if (javaSoft) logLine("found sun %S %s", chosen.executable, chosen.version);
    // The keys of today's installers come after the JavaSoft ones and take their place when
    // they name a newer runtime; JavaSoft keeps a tie.
    if (findVendorRuntime(other, minimum, maximum)) {
      if (!javaSoft || compareVersions(other.version, chosen.version) > 0) {
        if (javaSoft) noteNotChosen(chosen, other.version);
        chosen = other;
        javaSoft = true;
      } else {
        noteNotChosen(other, chosen.version);
      }
    }
  }
  if (findLocatedJvmBothHives(other, minimum, maximum, !sharedOnly)) {
    logLine("found located %S %s", other.executable, other.version);
    if (!javaSoft || compareVersions(chosen.version, other.version) <= 0) {
      if (javaSoft) noteNotChosen(chosen, other.version);
      chosen = other;
    } else {
      noteNotChosen(other, chosen.version);
    }
    return true;
  }
  return javaSoft;
}

bool checkInstallations(HKEY hive, REGSAM view, Candidate& found, const char* minimum,
                        const char* maximum) {
  wchar_t id[kPathCapacity];
  configStringW(key::ApplicationId, id, kPathCapacity);
  logLine("checking installations of application id %S", id);
  if (!id[0]) return false;
  unique_hkey node;
  LONG status = RegOpenKeyExW(hive, registrySourceKeys.installations, 0, KEY_READ | view,
                              node.put());
  if (status != ERROR_SUCCESS) {
    logLine("could not open installation node %d", static_cast<int>(status));
    return false;
  }
  wchar_t list[kPathCapacity];
  if (!queryRegistryString(node.get(), id, list, kPathCapacity) || !list[0]) {
    logLine("could not query value node %d", 0);
    return false;
  }
  logLine("found installations: %S", list);
  const wchar_t* cursor = list;
  wchar_t entry[kPathCapacity];
  while (nextEntry(cursor, entry, kPathCapacity)) {
    wchar_t directory[kPathCapacity];
    if (!formatText(directory, kPathCapacity, L"%ls\\jre", entry)) continue;
    startCandidate(found, L"previous installation (%ls)",
                   hive == HKEY_CURRENT_USER ? L"user" : L"machine");
    if (!javaExeForHome(found, directory)) {
      logLine("did not find java in %S", directory);
    } else if (checkJavaExe(found, minimum, maximum, PreRelease::Refused)) {
      return true;
    } else {
      logLine("java version did not match in %S", directory);
    }
  }
  return false;
}

}  // namespace tessel
