#include "launch/class_path.h"

#include <windows.h>

#include <cstring>
#include <memory>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/handles.h"
#include "util/paths.h"
#include "text_match.h"
#include "files/temp_dir.h"
#include "files/expansion.h"
#include "config/launcher_flavour.h"

namespace tessel {
namespace {

// The variable's whole value (the environment allows 32767 characters); false when undefined.
bool readEnvironment(const char* name, std::string& value) {
  std::unique_ptr<char[]> buffer(new char[32768]);
  SetLastError(0);
  DWORD n = GetEnvironmentVariableA(name, buffer.get(), 32768);
  DWORD error = GetLastError();
  if (n == 0 && error == ERROR_ENVVAR_NOT_FOUND) return false;
  if (n >= 32768) return false;
  value.assign(buffer.get(), n);
  return true;
}

// "E" entry: true when the variable is defined and not empty.
bool addEnvironmentEntry(ClassPath& classPath, const char* name, bool required) {
  std::string value;
  if (!readEnvironment(name, value)) {
    if (required) fatalMessage(key::MsgEnvVarUndefined, name);
    return false;
  }
  if (value.empty()) return false;
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  if (!endsWith(value, ";")) value += ';';
  appendToClassPath(classPath, value);
  return true;
}

bool addPathEntry(ClassPath& classPath, const char* argument) {
  char resolved[kPathCapacity];
  if (!resolvePathList(resolved, argument)) {
    logError("classpath entry too long: %s", argument);
    return false;
  }
  bool found = fileExists(resolved);
  appendToClassPath(classPath, std::string(resolved) + ";");
  return found;
}

bool addScannedDirectory(ClassPath& classPath, const char* argument) {
  char resolved[kPathCapacity];
  if (!resolvePath(resolved, argument)) {
    logError("classpath entry too long: %s", argument);
    return false;
  }
  bool jars = addArchivesInDirectory(classPath, resolved, "jar");
  bool zips = addArchivesInDirectory(classPath, resolved, "zip");
  return jars || zips;
}

void addEntry(ClassPath& classPath, const char* entry) {
  char type = entry[0];
  bool required = entry[1] == '1';
  char argument[kPathCapacity];
  copyText(argument, kPathCapacity, entry[1] ? entry + 2 : "");
  if (!expandVariablesNarrow(argument, kPathCapacity))
    logError("classpath entry not fully expanded: %s", argument);
  bool found = false;
  switch (type) {
    case 'A':
    case 'D': found = addPathEntry(classPath, argument); break;
    case 'E': found = addEnvironmentEntry(classPath, argument, required); break;
    case 'S': found = addScannedDirectory(classPath, argument); break;
    default: break;
  }
  if (required && !found) fatalMessage(key::MsgClassPathEntryMissing, argument);
}

}  // namespace

bool appendToClassPath(ClassPath& classPath, const std::string& text) {
  if (classPath.text.size() + text.size() > classPath.capacity) {
    logError("class path full (%d bytes), left out: %s", static_cast<int>(classPath.capacity),
             text.c_str());
    return false;
  }
  classPath.text += text;
  return true;
}

std::vector<std::string> listFilesWithExtension(const char* directory, const char* extension) {
  std::vector<std::string> names;
  char pattern[kPathCapacity];
  if (!formatText(pattern, kPathCapacity, "%s\\*%s%s", directory, extension[0] == '.' ? "" : ".",
                  extension))
    return names;
  WIN32_FIND_DATAA data;
  unique_hfind find(FindFirstFileA(pattern, &data));
  if (!find) return names;
  do {
    names.emplace_back(data.cFileName);
  } while (FindNextFileA(find.get(), &data));
  return names;
}

bool addArchivesInDirectory(ClassPath& classPath, const char* directory, const char* extension) {
  if (!fileExists(directory)) return false;
  for (const std::string& name : listFilesWithExtension(directory, extension)) {
    char joined[kPathCapacity];
    char resolved[kPathCapacity];
    if (!formatText(joined, kPathCapacity, "%s\\%s", directory, name.c_str()) ||
        !resolvePath(resolved, joined)) {
      logError("archive path too long: %s\\%s", directory, name.c_str());
      continue;
    }
    appendToClassPath(classPath, std::string(resolved) + ";");
  }
  return true;
}

void addRuntimeJar(ClassPath& classPath) {
  char installation[kPathCapacity];
  configString(key::InstallationDirectory, installation, kPathCapacity);
  char absolute[kPathCapacity];
  if (!absolutePath(absolute, installation, PathCase::Keep)) {
    logError("installation directory too long: %s", installation);
    return;
  }
  std::string jar(absolute);
  if (!endsWith(jar, "\\")) jar += '\\';
  jar += ".corvane\\cvnruntime.jar;";
  appendToClassPath(classPath, jar);
}

void addConfiguredEntries(ClassPath& classPath, int32_t key, const char* what) {
  char configured[kPathCapacity];
  configString(key, configured, kPathCapacity);
  logLine("%s entry %s", what, configured);
  std::vector<char*> entries;
  for (char* piece = std::strtok(configured, ";"); piece; piece = std::strtok(nullptr, ";"))
    entries.push_back(piece);
  logLine("%s entries %d", what, static_cast<int>(entries.size()));
  for (char* entry : entries) addEntry(classPath, entry);
}

void addConfiguredClassPath(ClassPath& classPath) { addConfiguredEntries(classPath, key::ClassPath, "classpath"); }

std::string buildClassPathOption(const ClassPathSlots& slots) {
  ClassPath classPath;
  if (slots.classPathPrepend) appendToClassPath(classPath, *slots.classPathPrepend + ";");
  if (launchTempDir[0]) {
    std::string user = std::string(launchTempDir) + "\\user";
    addArchivesInDirectory(classPath, launchTempDir, "jar");
    addArchivesInDirectory(classPath, launchTempDir, "zip");
    addArchivesInDirectory(classPath, user.c_str(), "jar");
    addArchivesInDirectory(classPath, user.c_str(), "zip");
  }
  if (corvaneFlavour()) addRuntimeJar(classPath);
  // An executable jar and its manifest's Class-Path, which a "-classpath" line keeps.
  if (configValue(key::JarClassPath))
    addConfiguredEntries(classPath, key::JarClassPath, "jar classpath");
  if (slots.classPathReplace)
    appendToClassPath(classPath, *slots.classPathReplace);
  else
    addConfiguredClassPath(classPath);
  if (slots.classPathAppend) {
    if (!classPath.text.empty() && !endsWith(classPath.text, ";")) appendToClassPath(classPath, ";");
    appendToClassPath(classPath, *slots.classPathAppend);
  }
  return "-Djava.class.path=" + classPath.text;
}

}  // namespace tessel
