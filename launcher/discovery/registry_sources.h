// Runtime sources in the registry: the JavaSoft keys, the located runtimes of both hives and
// the previous installations of the application.
#pragma once
#include <windows.h>

#include <cstddef>

namespace tessel {

// The keys these sources read. Tests point them at keys of their own.
struct RegistrySourceKeys {
  const char* javaSoftJdk;    // HKLM
  const char* javaSoftJre;    // HKLM
  const char* locatedJvms;    // HKCU and HKLM
  const char* installations;  // the hive of the caller
};
extern RegistrySourceKeys registrySourceKeys;

// The better of a JavaSoft and a located runtime (a located one wins a tie); key 165 limits
// the search to shared runtimes. `executable` holds kPathCapacity bytes.
bool checkRegistrySources(char* executable, const char* minimum, const char* maximum);
// The runtime named by CurrentVersion, else the JRE version keys (unless key 131), else the
// JDK ones, each walked from the highest name down; the first accepted wins.
bool checkJavaSoft(char* executable, char* version, const char* minimum, const char* maximum);
bool checkJavaSoftCurrent(char* executable, char* version, const char* minimum,
                          const char* maximum);
bool checkJavaSoftVersions(const char* root, char* executable, char* version,
                           const char* minimum, const char* maximum);
// The accepted located runtime with the greatest version (the earlier one on a tie).
bool findLocatedJvm(HKEY hive, char* executable, char* version, const char* minimum,
                    const char* maximum, bool anyLocated);
// The user's and the machine's best; the machine wins a tie.
bool findLocatedJvmBothHives(char* executable, char* version, const char* minimum,
                             const char* maximum, bool anyLocated);
// The first directory of the application's installations (key 160) whose jre folder holds an
// accepted runtime. `view` is 0 or KEY_WOW64_64KEY.
bool checkInstallations(HKEY hive, REGSAM view, char* executable, const char* minimum,
                        const char* maximum);
// A string value, always terminated; false when the key or value is missing or does not fit.
bool readRegistryValue(HKEY hive, const char* key, const char* name, char* out,
                       size_t capacity, REGSAM view = 0);

}  // namespace tessel
