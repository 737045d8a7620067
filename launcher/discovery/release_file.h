// The "release" file at the top of a Java runtime image (9 and later, and many 8 builds):
// KEY="value" lines that name the runtime's version without starting it.
#pragma once
#include <cstddef>

namespace tessel {

// The version a runtime's "-version" banner would show, from the text of a release file:
// JAVA_VERSION, plus the pre-release part of JAVA_RUNTIME_VERSION when that begins with the
// same number and a "-" (18 with 18-ea+20-1248 gives 18-ea). False without a quoted,
// non-empty JAVA_VERSION of at most 99 characters or when it does not fit `capacity`.
bool parseReleaseVersion(const char* text, size_t length, char* version, size_t capacity);
// Reads home\release (at most 64 KB) and parses it; false when it is missing or unusable.
bool readReleaseVersion(const char* home, char* version, size_t capacity);
// The runtime home of a ...\bin\java.exe path (the folder above bin); false for an executable
// that does not stand in a folder named bin, or when the result does not fit kPathCapacity.
bool runtimeHomeOfExecutable(const char* executable, char* home);

}  // namespace tessel
