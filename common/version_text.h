// Version texts of Java runtimes: the banner of "java -version", the "release" file, the
// range tests and the order of two versions. Versions are never parsed into numbers; bounds
// are compared byte by byte over their own length.
#pragma once
#include <cstddef>

namespace tessel {

// True when "ea", "beta" or "rc" stands in the version as a component of its own (neither
// preceded nor followed by a letter): 1.8.0-ea and 9-ea+150 are pre-releases,
// 1.7.0_80-release is not.
bool isPreRelease(const char* version);
// Where a version lies against both bounds, each compared over its own length (bytes as
// unsigned); empty bounds do not restrict.
enum class BoundsVerdict { Below, InRange, Above };
BoundsVerdict versionBoundsVerdict(const char* version, const char* minimum, const char* maximum);
// Orders two versions by their numbers (17 after 9, 1.8.0_292 after 1.8.0_60): runs of digits
// compare as numbers, everything else byte by byte; the longer wins when one is a prefix.
// Negative, zero or positive as a is older, equal or newer.
int compareVersions(const char* a, const char* b);
// True when a version name (a registry key such as 1.6) lies in the range, each comparison
// over the shorter of the two lengths.
bool versionPrefixInRange(const char* name, const char* minimum, const char* maximum);
// The version between the quotes of a first banner line (java version "..." or openjdk
// version "..."). False for any other line, a missing closing quote, an empty version or one
// that does not fit `capacity` (`version` is then empty).
bool parseVersionBanner(const char* line, char* version, size_t capacity);
// The version a runtime's "-version" banner would show, from the text of a release file:
// JAVA_VERSION, plus the pre-release part of JAVA_RUNTIME_VERSION when that begins with the
// same number and a "-" (18 with 18-ea+20-1248 gives 18-ea). False without a quoted,
// non-empty JAVA_VERSION of at most 99 characters or when it does not fit `capacity`.
bool parseReleaseVersion(const char* text, size_t length, char* version, size_t capacity);

}  // namespace tessel
