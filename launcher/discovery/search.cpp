#include "discovery/search.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "discovery/candidate_log.h"
#include "discovery/entry_list.h"
#include "discovery/jvm_library.h"
#include "discovery/registry_sources.h"
#include "discovery/release_file.h"
#include "files/runtime_home.h"
#include "discovery/unpack.h"
#include "discovery/validation.h"
#include "util/bounded_text.h"
#include "util/dll_search.h"
#include "util/environment.h"
#include "util/paths.h"
#include "files/expansion.h"
#include "location_file.h"
#include "util/file_lines.h"

namespace tessel {

namespace {

constexpr size_t kBoundCapacity = limit::kVersionBoundCapacity;

bool isAbsoluteEntry(const char* value) {
  return std::strlen(value) >= 2 &&
         (value[1] == ':' || (value[0] == '\\' && value[1] == '\\'));
}

struct Search {
  char* executable;
  int& kind;
  char* location;
  char minimum[kBoundCapacity];
  char maximum[kBoundCapacity];

  // Records the accepting source and tries its library.
  HMODULE accept(int sourceKind, const char* name) {
    kind = sourceKind;
    if (name) copyText(location, kPathCapacity, name);
    HMODULE module = loadJvmLibrary(executable);
    if (!module) refuseUnloadedLibrary(executable);
    return module;
  }

  HMODULE locationFile(const wchar_t* file, const char* hasFormat, const char* usingText,
                       const char* sourceName) {
    char line[kPathCapacity];
    if (!readLocationFile(line, file)) return nullptr;
    setCandidateSource("%s", sourceName);
    logLine(hasFormat, line);
    if (!checkLocation(executable, line, minimum, maximum, false)) return nullptr;
    logLine("%s", usingText);
    return accept(kRuntimeDirectory, line);
  }

  HMODULE mainPassEntry(const std::string& entry) {
    char type = entry[0];
    char value[kPathCapacity];
    if (!copyWhole(value, kPathCapacity, entry.c_str() + 1)) return nullptr;
    expandVariablesNarrow(value, kPathCapacity);
    logLine("Testing location %s (type %c)", value, type);
    setCandidateSource("%c %s", type, value);
    switch (type) {
      case 'A':
      case 'B':
      case 'R':
        if (checkLocation(executable, value, minimum, maximum, false))
          return accept(kRuntimeDirectory, value);
        break;
      case 'E':
        if (checkEnvironmentVariable(executable, value, minimum, maximum))
          return accept(kEnvironment, value);
        break;
      case 'S':
        if (checkSearchPath(executable, minimum, maximum)) return accept(kSearchPath, value);
        break;
      case 'Y': {
        int before = refusedCandidates();
        if (checkRegistrySources(executable, minimum, maximum)) return accept(kRegistry, nullptr);
        if (refusedCandidates() == before) {
          setCandidateSource("Y");
          refuseCandidate("the registry", Refusal::NotFound, "no runtime registered");
        }
        break;
      }
      default:  // unknown types are skipped after their log line
        refuseCandidate(value, Refusal::NotFound, "unknown entry type");
        break;
    }
    return nullptr;
  }

  HMODULE fallbackEntry(const std::string& entry) {
    char type = entry[0];
    if (type != 'A' && type != 'B' && type != 'R') return nullptr;
    // The same directory as the main pass tried: B${TESSEL_EXEDIR}jre is B.\jre.
    char value[kPathCapacity];
    if (!copyWhole(value, kPathCapacity, entry.c_str() + 1)) return nullptr;
    expandVariablesNarrow(value, kPathCapacity);
    if (type != 'B' && isAbsoluteEntry(value)) return nullptr;
    logLine("Testing relative location %s", value);
    setCandidateSource("%c %s, without the version check", type, value);
    if (!checkLocation(executable, value, minimum, maximum, true)) return nullptr;
    if (fileExists(executable)) {
      logLine("%s exists", executable);
    } else if (isRuntimeImage(executable)) {
      logLine("runtime image %s exists", executable);
    } else {
      refuseCandidate(executable, Refusal::NotFound, "no java.exe");
      return nullptr;
    }
    return accept(kRuntimeDirectory, value);
  }
};

}  // namespace

bool isRuntimeImage(const char* executable) {
  char home[kPathCapacity];
  char version[kPathCapacity];
  return runtimeHomeOfExecutable(executable, home) &&
         readReleaseVersion(home, version, kPathCapacity) && hasJvmLibrary(executable);
}

void refuseUnloadedLibrary(const char* executable) {
  const JvmLoadFailure& failure = lastJvmLoadFailure();
  char detail[400];
  if (failure.wrongWordSize) {
    formatText(detail, sizeof(detail), "%s is a 32-bit library", failure.library);
    refuseCandidate(executable, Refusal::WrongWordSize, detail);
  } else if (failure.anyExisted) {
    formatText(detail, sizeof(detail), "%s does not load, error %lu", failure.library,
               failure.error);
    refuseCandidate(executable, Refusal::DamagedLibrary, detail);
  } else {
    refuseCandidate(executable, Refusal::DamagedLibrary, "no bin\\<type>\\jvm.dll");
  }
}

bool readLocationFile(char* line, const wchar_t* name) {
  line[0] = 0;
  wchar_t directory[kPathCapacity];
  wchar_t installation[kPathCapacity];
  wchar_t path[kPathCapacity];
  configStringW(key::InstallationDirectory, directory, kPathCapacity);
  if (!absolutePathW(installation, directory, PathForm::Long) ||
      !copyWhole(path, kPathCapacity, installation) || !appendWhole(path, kPathCapacity, name))
    return false;
  unique_file file(_wfopen(path, L"rt"));
  if (!file) return false;
  FileLineSource source(std::move(file));
  LocationLine read = readLocationLine(source, line, kPathCapacity);
  if (read == LocationLine::TooLong) logLine("location file line too long");
  return read == LocationLine::Read;
}

bool checkLocation(char* executable, const char* directory, const char* minimum,
                   const char* maximum, bool acceptUnvalidated) {
  char absolute[kPathCapacity];
  if (!absolutePath(absolute, directory, PathCase::Lower)) return false;
  unpackRuntimeArchives(absolute);
  bool usable = javaExeForHome(executable, absolute);
  if (acceptUnvalidated) return true;
  return usable && checkJavaExe(executable, nullptr, minimum, maximum, PreRelease::Allowed);
}

bool checkEnvironmentVariable(char* executable, const char* name, const char* minimum,
                              const char* maximum) {
  char value[kPathCapacity];
  DWORD n = GetEnvironmentVariableA(name, value, kPathCapacity);
  if (n == 0 || n >= kPathCapacity) {
    char shown[300];
    formatText(shown, sizeof(shown), "%%%s%%", name);
    refuseCandidate(shown, Refusal::NotFound, n == 0 ? "not set" : "value too long");
    return false;
  }
  for (char* p = value; *p; ++p)
    if (*p == '/') *p = '\\';
  return javaExeForHome(executable, value) &&
         checkJavaExe(executable, nullptr, minimum, maximum, PreRelease::Refused);
}

bool checkSearchPath(char* executable, const char* minimum, const char* maximum) {
  // Only the absolute PATH entries: the default search order would take a java.exe from the
  // current directory (a document's folder) or from the launcher's own folder first.
  std::wstring found, entry;
  std::string narrow;
  if (!findInAbsolutePathEntries(environmentValueW(L"PATH"), L"java.exe", found, entry) ||
      !narrowPathOf(found.c_str(), narrow) || narrow.size() >= kPathCapacity) {
    executable[0] = 0;
    refuseCandidate("java.exe on the search path", Refusal::NotFound);
    return false;
  }
  logLine("java.exe found in PATH entry %S", entry.c_str());
  copyText(executable, kPathCapacity, narrow.c_str());
  return checkJavaExe(executable, nullptr, minimum, maximum, PreRelease::Refused);
}

bool checkPreviousInstallation(HKEY hive, char* executable, const char* minimum,
                               const char* maximum) {
  return checkInstallations(hive, 0, executable, minimum, maximum) ||
         checkInstallations(hive, KEY_WOW64_64KEY, executable, minimum, maximum);
}

HMODULE searchJvm(char* executable, int& kind, char* location) {
  logLine("Searching for a JVM");
  clearCandidates();
  kind = kNoSource;
  Search search{executable, kind, location, {}, {}};
  char sequence[kPathCapacity];
  configString(key::SearchSequence, sequence, kPathCapacity);
  configString(key::MinJavaVersion, search.minimum, kBoundCapacity);
  configString(key::MaxJavaVersion, search.maximum, kBoundCapacity);

  if (HMODULE module = search.locationFile(L"\\.corvane\\pref_jre.cfg",
                                           "Has preferred location %s",
                                           "Using preferred location",
                                           "preferred location file"))
    return module;
  std::vector<std::string> entries = splitEntries(sequence);
  for (const std::string& entry : entries)
    if (HMODULE module = search.mainPassEntry(entry)) return module;
  if (HMODULE module = search.locationFile(L"\\.corvane\\inst_jre.cfg",
                                           "Has installer location %s",
                                           "Using installer location",
                                           "installer location file"))
    return module;
  for (const std::string& entry : entries)
    if (HMODULE module = search.fallbackEntry(entry)) return module;

  setCandidateSource("previous installation (user)");
  if (checkPreviousInstallation(HKEY_CURRENT_USER, executable, search.minimum, search.maximum)) {
    logLine("found JRE from previous installation (user) %s", executable);
    if (HMODULE module = search.accept(kRegistry, nullptr)) return module;
  }
  setCandidateSource("previous installation (machine)");
  if (checkPreviousInstallation(HKEY_LOCAL_MACHINE, executable, search.minimum,
                                search.maximum)) {
    logLine("found JRE from previous installation (machine) %s", executable);
    if (HMODULE module = search.accept(kRegistry, nullptr)) return module;
  }
  logLine("Search sequence finished");
  for (const char* name : {"TESSEL_JAVA_HOME", "CORVANE_JAVA_HOME"}) {
    setCandidateSource("%s", name);
    if (checkEnvironmentVariable(executable, name, search.minimum, search.maximum))
      if (HMODULE module = search.accept(kEnvironment, name)) return module;
  }
  return nullptr;
}

bool LoadDLL() {
  // The second value has always been a null string; printing it as such is undefined.
  logLine("LoadDLL (%d, %s, %d)", 1, "(null)", 0);
  char executable[kPathCapacity] = "";
  char location[kPathCapacity] = "";
  int kind = kNoSource;
  HMODULE module = searchJvm(executable, kind, location);
  if (!module) logRefusedCandidates();
  if (kind == kNoSource) {
    logError("No JVM found");
    showMessage(key::MsgNoJvmBits, "64");
    return false;
  }
  setRuntimeHome(executable);
  if (!module) logError("Could not get DLL-Handle.");
  bool bound = bindCreateJavaVM(module);
  if (!bound) logError("Could not load functions");
  if (module && !bound) {
    refuseCandidate(executable, Refusal::DamagedLibrary, "no JNI_CreateJavaVM");
    logRefusedCandidates();
  }
  if (module && bound) {
    logLine("Loading of JVM-DLL successful");
    return true;
  }
  switch (kind) {
    case kSearchPath: showMessage(key::MsgNoJvmBits, "64"); break;
    case kRuntimeDirectory: showMessage(key::MsgJvmDamaged64, location); break;
    case kEnvironment: showMessage(key::MsgEnvVarNo64BitJvm, location); break;
    default: break;
  }
  showMessageW(key::MsgJvmNotStarted, nullptr);
  return false;
}

}  // namespace tessel
