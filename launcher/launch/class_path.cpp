#include "launch/class_path.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
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
bool readEnvironment(const wchar_t* name, std::wstring& value) {
  std::unique_ptr<wchar_t[]> buffer(new wchar_t[32768]);
  SetLastError(0);
  DWORD n = GetEnvironmentVariableW(name, buffer.get(), 32768);
  DWORD error = GetLastError();
  if (n == 0 && error == ERROR_ENVVAR_NOT_FOUND) return false;
  if (n >= 32768) return false;
  value.assign(buffer.get(), n);
  return true;
}

// A path as the runtime reads it (narrow, in the code page): the path itself where the code
// page holds it, else its short name; without one, "?" stands for what the code page lacks,
// never another letter.
std::string runtimePath(const std::wstring& path) {
  std::string narrow;
  if (narrowPathOf(path.c_str(), narrow)) return narrow;
  logError("classpath entry %S has no name in the code page", path.c_str());
  return narrowText(path.c_str());
}

// The non-empty ";"-separated pieces of a list.
std::vector<std::wstring> listPieces(const std::wstring& list) {
  std::vector<std::wstring> pieces;
  size_t from = 0;
  while (from <= list.size()) {
    size_t end = list.find(L';', from);
    if (end == std::wstring::npos) end = list.size();
    if (end > from) pieces.push_back(list.substr(from, end - from));
    from = end + 1;
  }
  return pieces;
}

// "E" entry: true when the variable is defined and not empty.
bool addEnvironmentEntry(ClassPath& classPath, const wchar_t* name, bool required) {
  std::wstring value;
  if (!readEnvironment(name, value)) {
    if (required) fatalMessageW(key::MsgEnvVarUndefined, name);
    return false;
  }
  if (value.empty()) return false;
  if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"')
    value = value.substr(1, value.size() - 2);
  std::string entries;
  for (const std::wstring& piece : listPieces(value)) entries += runtimePath(piece) + ";";
  appendToClassPath(classPath, entries);
  return true;
}

// "A" and "D" entries: each piece of the expanded text resolved against the launcher's
// directory; true when every piece exists.
bool addPathEntry(ClassPath& classPath, const wchar_t* argument) {
  std::string entries;
  const std::vector<std::wstring> pieces = listPieces(argument);
  bool found = !pieces.empty();
  for (const std::wstring& piece : pieces) {
    wchar_t resolved[kPathCapacity];
    if (!resolvePathW(resolved, piece.c_str(), PathForm::NarrowSafe)) {
      logError("classpath entry too long: %S", argument);
      return false;
    }
    found = found && fileExistsW(resolved);
    if (!entries.empty()) entries += ';';
    entries += runtimePath(resolved);
  }
  appendToClassPath(classPath, entries + ";");
  return found;
}

bool addScannedDirectory(ClassPath& classPath, const wchar_t* argument) {
  wchar_t resolved[kPathCapacity];
  if (!resolvePathW(resolved, argument, PathForm::NarrowSafe)) {
    logError("classpath entry too long: %S", argument);
    return false;
  }
  bool jars = addArchivesInDirectory(classPath, resolved, L"jar");
  bool zips = addArchivesInDirectory(classPath, resolved, L"zip");
  return jars || zips;
}

void addEntry(ClassPath& classPath, const std::wstring& entry) {
  wchar_t type = entry[0];
  bool required = entry.size() > 1 && entry[1] == L'1';
  wchar_t argument[kPathCapacity];
  copyText(argument, kPathCapacity, entry.size() > 1 ? entry.c_str() + 2 : L"");
  if (!expandVariables(argument, kPathCapacity, PathForm::NarrowSafe))
    logError("classpath entry not fully expanded: %S", argument);
  bool found = false;
  switch (type) {
    case L'A':
    case L'D': found = addPathEntry(classPath, argument); break;
    case L'E': found = addEnvironmentEntry(classPath, argument, required); break;
    case L'S': found = addScannedDirectory(classPath, argument); break;
    default: break;
  }
  if (required && !found) fatalMessageW(key::MsgClassPathEntryMissing, argument);
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

static bool hasSuffixIgnoringCase(const wchar_t* name, const wchar_t* suffix) {
  size_t n = std::wcslen(name);
  size_t m = std::wcslen(suffix);
  if (m > n) return false;
  for (size_t i = 0; i < m; ++i) {
    wchar_t a = name[n - m + i], b = suffix[i];
    if (a >= L'A' && a <= L'Z') a = static_cast<wchar_t>(a - L'A' + L'a');
    if (b >= L'A' && b <= L'Z') b = static_cast<wchar_t>(b - L'A' + L'a');
    if (a != b) return false;
  }
  return true;
}

std::vector<std::wstring> listFilesWithExtension(const wchar_t* directory,
                                                 const wchar_t* extension) {
  std::vector<std::wstring> names;
  wchar_t pattern[kPathCapacity];
  if (!formatText(pattern, kPathCapacity, L"%s\\*%s%s", directory, extension[0] == L'.' ? L"" : L".",
                  extension))
    return names;
  WIN32_FIND_DATAW data;
  unique_hfind find(FindFirstFileW(pattern, &data));
  if (!find) return names;
  // The pattern also matches short names: *.jar finds x.jar_old through its alias X~1.JAR.
  // Only a long name with the extension counts.
  wchar_t suffix[64];
  if (!formatText(suffix, 64, L".%s", extension[0] == L'.' ? extension + 1 : extension))
    return names;
  do {
    if (hasSuffixIgnoringCase(data.cFileName, suffix)) names.emplace_back(data.cFileName);
  } while (FindNextFileW(find.get(), &data));
  return names;
}

bool addArchivesInDirectory(ClassPath& classPath, const wchar_t* directory,
                            const wchar_t* extension) {
  if (!fileExistsW(directory)) return false;
  for (const std::wstring& name : listFilesWithExtension(directory, extension)) {
    wchar_t joined[kPathCapacity];
    wchar_t resolved[kPathCapacity];
    if (!formatText(joined, kPathCapacity, L"%s\\%s", directory, name.c_str()) ||
        !resolvePathW(resolved, joined, PathForm::NarrowSafe)) {
      logError("archive path too long: %S\\%S", directory, name.c_str());
      continue;
    }
    appendToClassPath(classPath, runtimePath(resolved) + ";");
  }
  return true;
}

void addRuntimeJar(ClassPath& classPath) {
  const std::wstring installation = configTextW(key::InstallationDirectory);
  wchar_t absolute[kPathCapacity];
  if (!absolutePathW(absolute, installation.c_str(), PathForm::NarrowSafe)) {
    logError("installation directory too long: %S", installation.c_str());
    return;
  }
  std::wstring jar(absolute);
  if (jar.empty() || jar.back() != L'\\') jar += L'\\';
  jar += L".corvane\\cvnruntime.jar";
  appendToClassPath(classPath, runtimePath(jar) + ";");
}

void addConfiguredEntries(ClassPath& classPath, int32_t key, const char* what) {
  const std::wstring configured = configTextW(key);
  logLine("%s entry %S", what, configured.c_str());
  const std::vector<std::wstring> entries = listPieces(configured);
  logLine("%s entries %d", what, static_cast<int>(entries.size()));
  for (const std::wstring& entry : entries) addEntry(classPath, entry);
}

void addConfiguredClassPath(ClassPath& classPath) { addConfiguredEntries(classPath, key::ClassPath, "classpath"); }

std::string buildClassPathOption(const ClassPathSlots& slots) {
  ClassPath classPath;
  if (slots.classPathPrepend) appendToClassPath(classPath, *slots.classPathPrepend + ";");
  if (launchTempDir[0]) {
    const std::wstring launch = launchTempDir;
    const std::wstring user = launch + L"\\user";
    addArchivesInDirectory(classPath, launch.c_str(), L"jar");
    addArchivesInDirectory(classPath, launch.c_str(), L"zip");
    addArchivesInDirectory(classPath, user.c_str(), L"jar");
    addArchivesInDirectory(classPath, user.c_str(), L"zip");
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
