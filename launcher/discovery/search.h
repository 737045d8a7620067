// The runtime search: finds a runtime in the configured range, loads its jvm.dll and binds
// JNI_CreateJavaVM.
#pragma once
#include <windows.h>

namespace tessel {

// Which kind of source accepted the last candidate.
enum SourceKind { kNoSource = 0, kSearchPath = 1, kRuntimeDirectory = 2, kEnvironment = 3,
                  kRegistry = 4 };

// True when a runtime was loaded; false after the search has shown its own message.
bool LoadDLL();
// Walks the sources in order until a candidate's library loads. `executable` and `location`
// hold kPathCapacity bytes; `kind` tells which source accepted the last candidate.
HMODULE searchJvm(char* executable, int& kind, char* location);
// A runtime directory (relative to the launcher directory or absolute), unpacked first. With
// `acceptUnvalidated` only the executable's path is derived.
bool checkLocation(char* executable, const char* directory, const char* minimum,
                   const char* maximum, bool acceptUnvalidated);
// A runtime directory named by an environment variable ("/" taken as "\").
bool checkEnvironmentVariable(char* executable, const char* name, const char* minimum,
                              const char* maximum);
// The java.exe that the system search path finds.
bool checkSearchPath(char* executable, const char* minimum, const char* maximum);
// A previous installation of the application in the hive: default view, then the 64-bit one.
bool checkPreviousInstallation(HKEY hive, char* executable, const char* minimum,
                               const char* maximum);
// True when the executable's runtime is an image without java.exe: a release file with a
// version and a jvm.dll below bin.
bool isRuntimeImage(const char* executable);
// Records why the library of an accepted candidate did not load (after loadJvmLibrary).
void refuseUnloadedLibrary(const char* executable);
// The first line of a file below the installation directory (key 10003), line ends removed.
// False when the file is missing or its first line does not fit the buffer (kPathCapacity).
bool readLocationFile(char* line, const wchar_t* name);

}  // namespace tessel
