// Version texts of Java runtimes: the banner of "java -version", the "release" file, the
// range tests and the one order of versions that every comparison of the launcher uses.
//
// A version is its numbers (runs of digits joined by "." or "_": 1.8.0_292 is 1, 8, 0, 292;
// 17.0.10+7 is 17, 0, 10) followed by a tail ("+7", "-ea", "-release"). Numbers compare as
// numbers, a missing one as 0. Of equal numbers, a pre-release tail comes first, then no tail,
// then any other tail (a build number); tails compare digit runs as numbers, other bytes as
// unsigned bytes. A bound is compared over its own components only: "1.8" admits every 1.8.x,
// "17" every 17.x, "17.0.9" 17.0.9 and later.
#pragma once
#include <cstddef>

namespace tessel {

// True when "ea", "beta" or "rc" stands in the version as a component of its own (neither
// preceded nor followed by a letter): 1.8.0-ea and 9-ea+150 are pre-releases,
// 1.7.0_80-release is not.
bool isPreRelease(const char* version);
// Where a version lies against both bounds, each compared over its own components; empty
// bounds do not restrict.
enum class BoundsVerdict { Below, InRange, Above };
BoundsVerdict versionBoundsVerdict(const char* version, const char* minimum, const char* maximum);
// Orders two versions (17 after 9, 1.8.0_292 after 1.8.0_60, 17.0.10 after 17.0.9, 17-ea before
// 17); of versions that differ only in written zeros the longer comes last (17 before 17.0).
// Negative, zero or positive as a is older, equal or newer.
int compareVersions(const char* a, const char* b);
// True when a version name (a registry key such as 1.8 or 17) lies in the range, each bound
// compared over the components both have: the key 1.8 lies in a range from 1.8.0_60.
bool versionPrefixInRange(const char* name, const char* minimum, const char* maximum);
// The version between the quotes of a first banner line (java version "..." or openjdk
// version "..."). False for any other line, a missing closing quote, an empty version or one
// that does not fit `capacity` (`version` is then empty).
bool parseVersionBanner(const char* line, char* version, size_t capacity);
// The version of the first banner line among the lines a runtime printed (notices such as
// "Picked up JAVA_TOOL_OPTIONS: ..." come first when those variables are set). Each line is
// judged by its first 99 characters. False when no line is a banner.
bool findVersionBanner(const char* text, size_t length, char* version, size_t capacity);
// The version a runtime's "-version" banner would show, from the text of a release file:
// JAVA_VERSION, plus the pre-release part of JAVA_RUNTIME_VERSION when that begins with the
// same number and a "-" (18 with 18-ea+20-1248 gives 18-ea). False without a quoted,
// non-empty JAVA_VERSION of at most 99 characters or when it does not fit `capacity`.
bool parseReleaseVersion(const char* text, size_t length, char* version, size_t capacity);

}  // namespace tessel
