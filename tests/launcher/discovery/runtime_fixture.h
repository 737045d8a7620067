// Fake Java runtimes on disk, built from the doubles, in directories unique to the test
// process; plus registry helpers for keys of the test's own.
#pragma once
#include <windows.h>

#include <string>

#include "discovery/registry_sources.h"

namespace tessel {
namespace fixture {

// The folder holding the built doubles (beside the test executable's folder).
std::string doublesDirectory();
// A new empty directory unique to this process (its id and start time, as uniqueKey), below
// `parent` (the temp directory when empty). Removed with removeTree.
std::string makeUniqueDirectory(const char* tag, const std::string& parent = "");
void removeTree(const std::string& directory);
// Creates the directory and its missing parents.
void makeDirectories(const std::string& directory);
void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);
bool exists(const std::string& path);
std::string lowerCase(std::string text);
// Test paths and keys are ASCII: the same text in UTF-16 and back.
std::wstring wide(const std::string& text);
std::string narrow(const std::wstring& text);

struct RuntimeLayout {
  std::string banner;               // first line on standard error
  int exitCode = 0;
  int hangSeconds = 0;
  const char* jvmType = "server";   // bin\<type>\jvm.dll; null for none
  bool wrongWordSize = false;       // the 32-bit library
  bool javaw = false;               // javaw.exe beside java.exe
  std::string release;              // home\release with these lines, when not empty
  bool javaExe = true;              // false: an image made without the native commands
};
// home\bin\java.exe (+ java.exe.cfg), optionally javaw.exe, bin\<type>\jvm.dll and a release
// file.
void makeRuntime(const std::string& home, const RuntimeLayout& layout);
// Rewrites java.exe.cfg only.
void configureJava(const std::string& binDirectory, const RuntimeLayout& layout);
// A release file's text naming `version` as JDK 9 and later write it.
std::string releaseText(const std::string& version, const std::string& runtimeVersion = "");
// How often the java.exe double in that bin directory ran.
int javaRuns(const std::string& binDirectory);

// Deletes the version-cache entry of an executable path (as checkJavaExe writes it).
void forgetCachedVersion(const std::string& executable);
void forgetCachedVersion(const std::wstring& executable);
// Writes a string value of any text, creating the key.
void setRegistryStringW(HKEY hive, const std::wstring& key, const wchar_t* name,
                        const std::wstring& value);
// Writes a string value, creating the key.
void setRegistryString(HKEY hive, const std::string& key, const char* name,
                       const std::string& value);
void deleteRegistryTree(HKEY hive, const std::string& key);
// "SOFTWARE\tessel-tests\<pid>-<start>\<tag>": a key name unique to this process. The
// process's start time is part of it, because Wine gives the ids of ended processes to new
// ones: a key left by an ended test (killed before its clean-up) must not meet a new one.
std::string uniqueKey(const char* tag);

// For its life, the registry sources read keys that do not exist (so no runtime installed on
// the machine is found) and neither java-home variable is set; the sources' keys are restored
// afterwards.
class NoInstalledRuntimes {
 public:
  NoInstalledRuntimes();
  ~NoInstalledRuntimes();
  NoInstalledRuntimes(const NoInstalledRuntimes&) = delete;
  NoInstalledRuntimes& operator=(const NoInstalledRuntimes&) = delete;

 private:
  RegistrySourceKeys savedKeys_;
  const wchar_t* savedPrefix_;
};

// Frees every jvm.dll the process loaded (loaded libraries are kept for the process's life),
// so that their folders can be removed.
void unloadJvmLibraries();

}  // namespace fixture
}  // namespace tessel
