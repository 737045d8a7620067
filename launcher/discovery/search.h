// The runtime search: finds a runtime in the configured range, loads its jvm.dll and binds
// JNI_CreateJavaVM.
#pragma once
#include <windows.h>

#include "discovery/candidate.h"

namespace tessel {

// Which kind of source accepted the last candidate.
enum SourceKind { kNoSource = 0, kSearchPath = 1, kRuntimeDirectory = 2, kEnvironment = 3,
                  kRegistry = 4 };

// True when a runtime was loaded; false after the search has shown its own message.
bool LoadDLL();
// Walks the sources in order until a candidate's library loads. `accepted` is the last
// candidate a source accepted (its verdict tells whether its library then failed); `kind` tells
// which source that was and `location` (kPathCapacity) what the messages name for it.
HMODULE searchJvm(Candidate& accepted, int& kind, wchar_t* location);

// The sources below judge the candidate the caller named (its source set): they fill in its
// executable, version and verdict, and record a refusal with its reason.
//
// A runtime directory (relative to the launcher directory or absolute), unpacked first. With
// `acceptUnvalidated` only the executable's path is derived.
bool checkLocation(Candidate& candidate, const wchar_t* directory, const char* minimum,
                   const char* maximum, bool acceptUnvalidated);
// A runtime directory named by an environment variable ("/" taken as "\").
bool checkEnvironmentVariable(Candidate& candidate, const wchar_t* name, const char* minimum,
                              const char* maximum);
// The java.exe that the absolute PATH entries hold.
bool checkSearchPath(Candidate& candidate, const char* minimum, const char* maximum);
// A previous installation of the application in the hive: default view, then the 64-bit one.
// Names its own candidates.
bool checkPreviousInstallation(HKEY hive, Candidate& candidate, const char* minimum,
                               const char* maximum);
// True when the executable's runtime is an image without java.exe: a release file with a
// version and a jvm.dll below bin.
bool isRuntimeImage(const wchar_t* executable);
// Records why the library of an accepted candidate did not load (after loadJvmLibrary).
void refuseUnloadedLibrary(Candidate& candidate);
// The first line of a file below the installation directory (key 10003), line ends removed,
// read as text in the file-API code page. False when the file is missing or its first line
// does not fit the buffer (kPathCapacity).
bool readLocationFile(wchar_t* line, const wchar_t* name);

}  // namespace tessel
