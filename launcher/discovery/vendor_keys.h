// Runtimes that today's installers record in the registry besides the old JavaSoft layout:
// the JavaSoft layout of Java 9 and later and the vendors' own keys, in HKLM and HKCU
// (64-bit view). Every home found is validated; the newest in range wins.
#pragma once
#include <cstddef>

#include "discovery/candidate.h"

namespace tessel {

struct VendorKeyLayout {
  const char* name;      // shown in the log, "Eclipse Adoptium JDK"
  const char* root;      // below the prefix, "Eclipse Adoptium\JDK" (ASCII)
  const wchar_t* value;  // the value holding the runtime directory
  bool msiVariants;      // the value sits in <root>\<version>\<jvm variant>\MSI
  bool jre;              // a runtime without development tools: skipped when a JDK is required
};
extern const VendorKeyLayout kVendorKeyLayouts[];
extern const size_t kVendorKeyLayoutCount;

// The key the layouts' roots are read below, normally "SOFTWARE". Tests point it elsewhere.
extern const wchar_t* vendorKeyPrefix;

// The newest accepted runtime of every layout in both hives (HKLM first; a tie keeps the
// earlier) into `best`, named by its key. Runtimes accepted but not taken are recorded as not
// tried.
bool findVendorRuntime(Candidate& best, const char* minimum, const char* maximum);

}  // namespace tessel
