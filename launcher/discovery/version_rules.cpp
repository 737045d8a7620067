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

}  // namespace tessel
