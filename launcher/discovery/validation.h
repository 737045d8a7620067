// Judging a candidate runtime: its java.exe from a runtime directory, its version (from the
// release file, cached or asked for), the range and, for GUI launchers, javaw.exe beside it.
// Every refusal is recorded for the log of a failed search.
#pragma once
#include <cstddef>
#include <cstdint>

#include "discovery/candidate.h"
#include "discovery/version_rules.h"

namespace tessel {

// How long a runtime may take to print its version (milliseconds). Tests shorten it.
extern unsigned javaVersionTimeoutMs;

// Names the candidate's executable: dir\jre\bin\java.exe when that exists (or key 131 asks
// for a JDK), else dir\bin\java.exe. False (the candidate refused) when key 131 is set and
// dir\lib\tools.jar is missing, or when the path does not fit.
bool javaExeForHome(Candidate& candidate, const wchar_t* directory);
// Judges the candidate's executable. True (verdict Accepted) when it exists, or its runtime is
// an image without java.exe (a release version and a jvm.dll below bin), and its version lies
// in the range. The executable becomes absolute and lower-cased, and javaw.exe for a GUI
// launcher (key 107 = 1) where java.exe exists; the version is the release file's when it
// names one, else the cached or asked one. A refusal is recorded with its reason.
bool checkJavaExe(Candidate& candidate, const char* minimum, const char* maximum,
                  PreRelease preRelease);
// The program (kPathCapacity) and command line of the version query: `shortName` when given,
// else the path itself; always passed as the program and quoted in the command line, so that a
// path with blanks never starts a program at one of its prefixes.
bool versionQueryCommand(const wchar_t* executable, const wchar_t* shortName, wchar_t* program,
                         wchar_t* commandLine, size_t capacity);
// Runs "<executable> -version" and parses its standard error's banner into `version`
// (kVersionCapacity). True when it ended with 0 in time and printed a recognised line; a
// non-zero end is cached as "1.0.0".
bool queryJavaVersion(const wchar_t* executable, uint64_t lastWrite, char* version);

}  // namespace tessel
