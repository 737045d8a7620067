// The range tests of runtime versions as the search applies them (the pre-release rule of
// key 130, logged); the version texts themselves are parsed and compared in version_text.h.
#pragma once
#include <cstddef>

#include "version_text.h"

namespace tessel {

// Whether the caller accepts a pre-release version (key 130 may allow them everywhere).
enum class PreRelease { Refused, Allowed };
// True when the version passes the pre-release rule and lies between both bounds, each
// compared over its own components (version_text.h); empty bounds do not restrict.
bool versionInRange(const char* version, const char* minimum, const char* maximum,
                    PreRelease preRelease);
// Which rule a version breaks; logs as versionInRange does.
enum class VersionVerdict { InRange, PreRelease, OutOfRange };
VersionVerdict versionRangeVerdict(const char* version, const char* minimum, const char* maximum,
                                   PreRelease preRelease);
// A registry key name or value as version text: false (and empty) when it holds anything but
// printable ASCII, which no version does, or does not fit `capacity`.
bool versionTextOf(const wchar_t* name, char* out, size_t capacity);

}  // namespace tessel
