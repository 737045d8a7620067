// The "release" file at the top of a Java runtime image (9 and later, and many 8 builds):
// KEY="value" lines that name the runtime's version without starting it.
#pragma once
#include <cstddef>

#include "version_text.h"  // parseReleaseVersion

namespace tessel {

// Reads home\release (at most 64 KB) and parses it (parseReleaseVersion); false when it is
// missing or unusable.
bool readReleaseVersion(const wchar_t* home, char* version, size_t capacity);
// The runtime home of a ...\bin\java.exe path (the folder above bin); false for an executable
// that does not stand in a folder named bin, or when the result does not fit kPathCapacity.
bool runtimeHomeOfExecutable(const wchar_t* executable, wchar_t* home);

}  // namespace tessel
