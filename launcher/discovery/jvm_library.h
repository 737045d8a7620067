// Loading an accepted runtime's jvm.dll into the process and binding JNI_CreateJavaVM.
#pragma once
#include <windows.h>

namespace tessel {

// Tries the executable's bin directory, then the private runtime of a JDK (bin\..\jre\bin).
// The returned library is kept for the life of the process; null when none loaded.
HMODULE loadJvmLibrary(const wchar_t* executable);
// Appends the executable's directory to PATH and tries the preferred type (key 152), then
// hotspot, client, server, classic, jrockit. PATH stays extended on success and is restored
// exactly on failure.
HMODULE loadJvmFromBinDirectory(const wchar_t* executable);
// LoadLibrary of directory\type\jvm.dll; null when it does not load.
HMODULE tryJvmDll(const wchar_t* directory, const wchar_t* type);
// True when the library exports JNI_CreateJavaVM; the entry point is handed to the launch.
bool bindCreateJavaVM(HMODULE library);
// True when a jvm.dll exists in one of the types below the executable's bin directory: a
// runtime image may lack java.exe but never its library.
bool hasJvmLibrary(const wchar_t* executable);

// Why the last loadJvmLibrary found no library.
struct JvmLoadFailure {
  bool anyExisted;         // some jvm.dll existed
  bool wrongWordSize;      // one of them was a 32-bit library
  unsigned long error;     // the load error of the first that existed
  wchar_t library[260];    // that library's path (cut when longer)
};
const JvmLoadFailure& lastJvmLoadFailure();

}  // namespace tessel
