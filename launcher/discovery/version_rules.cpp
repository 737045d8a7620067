#include "discovery/version_rules.h"

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/log.h"

namespace tessel {

VersionVerdict versionRangeVerdict(const char* version, const char* minimum, const char* maximum,
                                   PreRelease preRelease) {
  if (preRelease == PreRelease::Refused && configInt(key::AllowPrerelease) == 0 &&
      isPreRelease(version)) {
    logLine("beta vm not allowed");
    return VersionVerdict::PreRelease;
  }
  return versionBoundsVerdict(version, minimum, maximum) == BoundsVerdict::InRange
             ? VersionVerdict::InRange
             : VersionVerdict::OutOfRange;
}

bool versionInRange(const char* version, const char* minimum, const char* maximum,
                    PreRelease preRelease) {
  return versionRangeVerdict(version, minimum, maximum, preRelease) == VersionVerdict::InRange;
}

bool versionTextOf(const wchar_t* name, char* out, size_t capacity) {
  size_t i = 0;
  for (; name[i]; ++i) {
    if (i + 1 >= capacity || name[i] < 0x20 || name[i] > 0x7E) {
      if (capacity) out[0] = 0;
      return false;
    }
    out[i] = static_cast<char>(name[i]);
  }
  if (capacity) out[i] = 0;
  return capacity > 0;
}

}  // namespace tessel
