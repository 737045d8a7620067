// Runtime sources in the registry: the JavaSoft keys, the located runtimes of both hives and
// the previous installations of the application.
#pragma once
#include <windows.h>

#include <cstddef>

#include "discovery/candidate.h"

namespace tessel {

// The keys these sources read. Tests point them at keys of their own.
struct RegistrySourceKeys {
  const wchar_t* javaSoftJdk;    // HKLM
  const wchar_t* javaSoftJre;    // HKLM
  const wchar_t* locatedJvms;    // HKCU and HKLM
  const wchar_t* installations;  // the hive of the caller
};
extern RegistrySourceKeys registrySourceKeys;

// The better of a JavaSoft (or vendor key) and a located runtime (a located one wins a tie);
// key 165 limits the search to shared runtimes. `chosen` is the runtime taken, named by its
// own source; the one not taken is recorded as not tried.
bool checkRegistrySources(Candidate& chosen, const char* minimum, const char* maximum);
// The runtime named by CurrentVersion, else the JRE version keys (unless key 131), else the
// JDK ones, each walked from the highest name down; the first accepted wins.
bool checkJavaSoft(Candidate& found, const char* minimum, const char* maximum);
bool checkJavaSoftCurrent(Candidate& found, const char* minimum, const char* maximum);
bool checkJavaSoftVersions(const wchar_t* root, Candidate& found, const char* minimum,
                           const char* maximum);
// The accepted located runtime with the greatest version (the earlier one on a tie).
bool findLocatedJvm(HKEY hive, Candidate& best, const char* minimum, const char* maximum,
                    bool anyLocated);
// The user's and the machine's best; the machine wins a tie.
bool findLocatedJvmBothHives(Candidate& best, const char* minimum, const char* maximum,
                             bool anyLocated);
// The first directory of the application's installations (key 160) whose jre folder holds an
// accepted runtime. `view` is 0 or KEY_WOW64_64KEY.
bool checkInstallations(HKEY hive, REGSAM view, Candidate& found, const char* minimum,
                        const char* maximum);
// A string value, always terminated; false when the key or value is missing or does not fit.
bool readRegistryValue(HKEY hive, const wchar_t* key, const wchar_t* name, wchar_t* out,
                       size_t capacity, REGSAM view = 0);
// A string value of an open key, always terminated; false when missing, of another type than
// REG_SZ or REG_EXPAND_SZ, or too long for `capacity` characters.
bool queryRegistryString(HKEY key, const wchar_t* name, wchar_t* out, size_t capacity);

}  // namespace tessel
