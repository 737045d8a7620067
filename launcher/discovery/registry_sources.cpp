#include "discovery/registry_sources.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
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
    "SOFTWARE\\JavaSoft\\Java Development Kit",
    "SOFTWARE\\JavaSoft\\Java Runtime Environment",
    "SOFTWARE\\brightmoor\\tessel\\locatedjvms",
    "SOFTWARE\\brightmoor\\corvane\\installations",
};

namespace {

int compareNames(const void* a, const void* b) {
  return compareVersions(*static_cast<const char* const*>(a),
                         *static_cast<const char* const*>(b));
}

constexpr size_t kCurrentVersionCapacity = 100;

// Queries a value of an open key into `out`, keeping one byte back for the terminator a
// stored value may lack.
bool queryString(HKEY key, const char* name, char* out, size_t capacity) {
  out[0] = 0;
  if (capacity < 2) return false;
  DWORD size = static_cast<DWORD>(capacity - 1);
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(out), &size) !=
      ERROR_SUCCESS) {
    out[0] = 0;
    return false;
  }
  out[size] = 0;
  return true;
}

bool acceptHome(const char* home, char* executable, char* version, const char* minimum,
                const char* maximum) {
  return javaExeForHome(executable, home) &&
         checkJavaExe(executable, version, minimum, maximum, PreRelease::Refused);
}

// The CurrentVersion of a root when it lies in the range, else empty.
void currentVersionInRange(const char* root, char* out, const char* minimum,
                           const char* maximum) {
  if (!readRegistryValue(HKEY_LOCAL_MACHINE, root, "CurrentVersion", out,
                         kCurrentVersionCapacity) ||
      !versionPrefixInRange(out, minimum, maximum))
    out[0] = 0;
}

// A runtime of the registry that was acceptable but lost to a newer one of another source.
void noteNotChosen(const std::string& source, const char* executable, const char* version,
                   const char* newer) {
  char detail[300];
  formatText(detail, sizeof(detail), "%s; %s is preferred", version, newer);
  setCandidateSource("%s", source.c_str());
  refuseCandidate(executable, Refusal::NotChosen, detail);
}

}  // namespace

bool readRegistryValue(HKEY hive, const char* key, const char* name, char* out,
                       size_t capacity, REGSAM view) {
  out[0] = 0;
  unique_hkey opened;
  if (RegOpenKeyExA(hive, key, 0, KEY_READ | view, opened.put()) != ERROR_SUCCESS) return false;
  return queryString(opened.get(), name, out, capacity);
}

bool checkJavaSoftCurrent(char* executable, char* version, const char* minimum,
                          const char* maximum) {
  char jdk[kCurrentVersionCapacity];
  char jre[kCurrentVersionCapacity] = "";
  currentVersionInRange(registrySourceKeys.javaSoftJdk, jdk, minimum, maximum);
  if (configInt(key::RequireJdk) == 0)
    currentVersionInRange(registrySourceKeys.javaSoftJre, jre, minimum, maximum);
  bool useJdk = compareVersions(jdk, jre) > 0;
  const char* root = useJdk ? registrySourceKeys.javaSoftJdk : registrySourceKeys.javaSoftJre;
  const char* current = useJdk ? jdk : jre;
  char keyName[kPathCapacity];
  if (!formatText(keyName, kPathCapacity, current[0] ? "%s\\%s" : "%s%s", root, current))
    return false;
  char home[kPathCapacity];
  if (!readRegistryValue(HKEY_LOCAL_MACHINE, keyName, "JavaHome", home, kPathCapacity))
    return false;
  setCandidateSource("Y JavaSoft HKLM\\%s", keyName);
  return acceptHome(home, executable, version, minimum, maximum);
}

bool checkJavaSoftVersions(const char* root, char* executable, char* version,
                           const char* minimum, const char* maximum) {
  unique_hkey rootKey;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, root, 0, KEY_READ, rootKey.put()) != ERROR_SUCCESS)
    return false;
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD length = sizeof(name);
    LONG status = RegEnumKeyExA(rootKey.get(), index, name, &length, nullptr, nullptr, nullptr,
                                nullptr);
    // A name too long is skipped; any other failure (the key deleted meanwhile) ends the walk.
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    if (versionPrefixInRange(name, minimum, maximum)) names.emplace_back(name, length);
  }
  // Ascending by version (17 after 9), walked from the newest down. Sorted by the C
  // runtime's sort, over pointers (a std::string must not be moved byte by byte).
  std::vector<const char*> order(names.size());
  for (size_t i = 0; i < names.size(); ++i) order[i] = names[i].c_str();
  if (order.size() > 1) std::qsort(order.data(), order.size(), sizeof(order[0]), compareNames);
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    unique_hkey versionKey;
    if (RegOpenKeyExA(rootKey.get(), *it, 0, KEY_READ, versionKey.put()) != ERROR_SUCCESS)
      continue;
    char home[kPathCapacity];
    if (!queryString(versionKey.get(), "JavaHome", home, kPathCapacity)) continue;
    setCandidateSource("Y JavaSoft HKLM\\%s\\%s", root, *it);
    if (acceptHome(home, executable, version, minimum, maximum)) return true;
  }
  return false;
}

bool checkJavaSoft(char* executable, char* version, const char* minimum, const char* maximum) {
  if (checkJavaSoftCurrent(executable, version, minimum, maximum)) return true;
  if (configInt(key::RequireJdk) == 0 &&
      checkJavaSoftVersions(registrySourceKeys.javaSoftJre, executable, version, minimum,
                            maximum))
    return true;
  return checkJavaSoftVersions(registrySourceKeys.javaSoftJdk, executable, version, minimum,
                               maximum);
}

bool findLocatedJvm(HKEY hive, char* executable, char* version, const char* minimum,
                    const char* maximum, bool anyLocated) {
  version[0] = 0;
  unique_hkey located;
  if (RegOpenKeyExA(hive, registrySourceKeys.locatedJvms, 0, KEY_READ, located.put()) !=
      ERROR_SUCCESS)
    return false;
  bool found = false;
  for (DWORD index = 0;; ++index) {
    char candidate[kPathCapacity];
    DWORD length = 256;  // the longest key name the registry allows, with its terminator
    LONG status = RegEnumKeyExA(located.get(), index, candidate, &length, nullptr, nullptr,
                                nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;  // as in the walk of the JavaSoft keys
    if (status != ERROR_SUCCESS) break;
    std::replace(candidate, candidate + length, '/', '\\');
    if (!anyLocated && !std::strstr(candidate, "cvn_jres")) continue;
    setCandidateSource("Y located runtime (%s)", hive == HKEY_CURRENT_USER ? "HKCU" : "HKLM");
    char candidateVersion[kPathCapacity];
    if (!checkJavaExe(candidate, candidateVersion, minimum, maximum, PreRelease::Allowed))
      continue;
    if (!found || compareVersions(candidateVersion, version) > 0) {
      copyText(version, kPathCapacity, candidateVersion);
      copyText(executable, kPathCapacity, candidate);
      found = true;
    }
  }
  return found;
}

bool findLocatedJvmBothHives(char* executable, char* version, const char* minimum,
                             const char* maximum, bool anyLocated) {
  char userExe[kPathCapacity], userVersion[kPathCapacity];
  char machineExe[kPathCapacity], machineVersion[kPathCapacity];
  bool user = findLocatedJvm(HKEY_CURRENT_USER, userExe, userVersion, minimum, maximum,
                             anyLocated);
  bool machine = findLocatedJvm(HKEY_LOCAL_MACHINE, machineExe, machineVersion, minimum,
                                maximum, anyLocated);
  if (!user && !machine) return false;
  bool takeMachine = machine && (!user || compareVersions(userVersion, machineVersion) <= 0);
  copyText(executable, kPathCapacity, takeMachine ? machineExe : userExe);
  copyText(version, kPathCapacity, takeMachine ? machineVersion : userVersion);
  return true;
}

bool checkRegistrySources(char* executable, const char* minimum, const char* maximum) {
  bool sharedOnly = configInt(key::SharedRuntimesOnly) != 0;
  char javaSoftExe[kPathCapacity] = "", javaSoftVersion[kPathCapacity] = "";
  char vendorExe[kPathCapacity] = "", vendorVersion[kPathCapacity] = "";
  char locatedExe[kPathCapacity] = "", locatedVersion[kPathCapacity] = "";
  // The source of each runtime found, so that the one taken is named if its library fails.
  std::string javaSoftSource, locatedSource;
  bool javaSoft = false;
  if (!sharedOnly) {
    javaSoft = checkJavaSoft(javaSoftExe, javaSoftVersion, minimum, maximum);
    if (javaSoft) {
      logLine("found sun %s %s", javaSoftExe, javaSoftVersion);
      javaSoftSource = candidateSource();
    }
    // The keys of today's installers come after the JavaSoft ones and take their place when
    // they name a newer runtime; JavaSoft keeps a tie.
    if (findVendorRuntime(vendorExe, vendorVersion, minimum, maximum)) {
      std::string vendorSource = candidateSource();
      if (!javaSoft || compareVersions(vendorVersion, javaSoftVersion) > 0) {
        if (javaSoft) noteNotChosen(javaSoftSource, javaSoftExe, javaSoftVersion, vendorVersion);
        copyText(javaSoftExe, kPathCapacity, vendorExe);
        copyText(javaSoftVersion, kPathCapacity, vendorVersion);
        javaSoftSource = vendorSource;
        javaSoft = true;
      } else {
        noteNotChosen(vendorSource, vendorExe, vendorVersion, javaSoftVersion);
      }
    }
  }
  bool located = findLocatedJvmBothHives(locatedExe, locatedVersion, minimum, maximum,
                                         !sharedOnly);
  if (located) {
    logLine("found located %s %s", locatedExe, locatedVersion);
    locatedSource = "Y located runtime";
  }
  if (!javaSoft && !located) return false;
  bool takeLocated = located && (!javaSoft || compareVersions(javaSoftVersion, locatedVersion) <= 0);
  if (javaSoft && located) {
    if (takeLocated)
      noteNotChosen(javaSoftSource, javaSoftExe, javaSoftVersion, locatedVersion);
    else
      noteNotChosen(locatedSource, locatedExe, locatedVersion, javaSoftVersion);
  }
  setCandidateSource("%s", takeLocated ? locatedSource.c_str() : javaSoftSource.c_str());
  copyText(executable, kPathCapacity, takeLocated ? locatedExe : javaSoftExe);
  return true;
}

bool checkInstallations(HKEY hive, REGSAM view, char* executable, const char* minimum,
                        const char* maximum) {
  char id[kPathCapacity];
  configString(key::ApplicationId, id, kPathCapacity);
  logLine("checking installations of application id %s", id);
  if (!id[0]) return false;
  unique_hkey node;
  LONG status = RegOpenKeyExA(hive, registrySourceKeys.installations, 0, KEY_READ | view,
                              node.put());
  if (status != ERROR_SUCCESS) {
    logLine("could not open installation node %d", static_cast<int>(status));
    return false;
  }
  char list[kPathCapacity];
  if (!queryString(node.get(), id, list, kPathCapacity) || !list[0]) {
    logLine("could not query value node %d", 0);
    return false;
  }
  logLine("found installations: %s", list);
  for (const std::string& entry : splitEntries(list)) {
    char directory[kPathCapacity];
    if (!formatText(directory, kPathCapacity, "%s\\jre", entry.c_str())) continue;
    if (!javaExeForHome(executable, directory)) {
      logLine("did not find java in %s", directory);
    } else if (checkJavaExe(executable, nullptr, minimum, maximum, PreRelease::Refused)) {
      return true;
    } else {
      logLine("java version did not match in %s", directory);
    }
  }
  return false;
}

}  // namespace tessel
