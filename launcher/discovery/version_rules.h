// Version texts of Java runtimes: the banner of "java -version" and the range tests. Versions
// are never parsed into numbers; bounds are compared byte by byte over their own length.
#pragma once
#include <cstddef>

namespace tessel {

// True when "ea", "beta" or "rc" stands in the version as a component of its own (neither
// preceded nor followed by a letter): 1.8.0-ea and 9-ea+150 are pre-releases,
// 1.7.0_80-release is not.
bool isPreRelease(const char* version);
// Whether the caller accepts a pre-release version (key 130 may allow them everywhere).
enum class PreRelease { Refused, Allowed };
// True when the version passes the pre-release rule and lies between both bounds, each
// compared over its own length; empty bounds do not restrict.
bool versionInRange(const char* version, const char* minimum, const char* maximum,
                    PreRelease preRelease);
// Which rule a version breaks; logs as versionInRange does.
enum class VersionVerdict { InRange, PreRelease, OutOfRange };
VersionVerdict versionRangeVerdict(const char* version, const char* minimum, const char* maximum,
                                   PreRelease preRelease);
// Orders two versions by their numbers (17 after 9, 1.8.0_292 after 1.8.0_60): runs of digits
// compare as numbers, everything else byte by byte; the longer wins when one is a prefix.
// Negative, zero or positive as a is older, equal or newer.
int compareVersions(const char* a, const char* b);
// True when a version name (a registry key such as 1.6) lies in the range, each comparison
// over the shorter of the two lengths.
bool versionPrefixInRange(const char* name, const char* minimum, const char* maximum);
// The version between the quotes of a first banner line (java version "..." or openjdk
// version "..."). False for any other line, a missing closing quote or an empty version.
bool parseVersionBanner(const char* line, char* version, size_t capacity);

}  // namespace tessel
