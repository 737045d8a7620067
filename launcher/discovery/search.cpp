#include "discovery/search.h"

#include <cwchar>
#include <string>

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

bool isAbsoluteEntry(const wchar_t* value) {
  return std::wcslen(value) >= 2 &&
         (value[1] == L':' || (value[0] == L'\\' && value[1] == L'\\'));
}

bool isDirectoryType(wchar_t type) { return type == L'A' || type == L'B' || type == L'R'; }

struct Search {
  Candidate& accepted;
  int& kind;
  wchar_t* location;
  char minimum[kBoundCapacity];
  char maximum[kBoundCapacity];
  Candidate candidate;  // the one the current source judges

  // Takes the candidate a source accepted and tries its library.
  HMODULE accept(int sourceKind, const wchar_t* name) {
    kind = sourceKind;
    if (name) copyText(location, kPathCapacity, name);
    acceptCandidate(candidate);
    accepted = candidate;
    HMODULE module = loadJvmLibrary(accepted.executable);
    if (!module) refuseUnloadedLibrary(accepted);
    return module;
  }

  HMODULE locationFile(const wchar_t* file, const char* hasFormat, const char* usingText,
                       const wchar_t* sourceName) {
    wchar_t line[kPathCapacity];
    if (!readLocationFile(line, file)) return nullptr;
    logLine(hasFormat, line);
    startCandidate(candidate, L"%ls", sourceName);
    if (!checkLocation(candidate, line, minimum, maximum, false)) return nullptr;
    logLine("%s", usingText);
    return accept(kRuntimeDirectory, line);
  }

  // The entry's value with its variables expanded (a reference whose value does not fit
  // stays as written); false when the value itself does not fit.
  static bool entryValue(const wchar_t* entry, wchar_t* value) {
    if (!copyWhole(value, kPathCapacity, entry + 1)) return false;
    expandVariables(value, kPathCapacity, PathForm::Long);
    return true;
  }

  HMODULE mainPassEntry(const wchar_t* entry) {
    wchar_t type = entry[0];
    wchar_t value[kPathCapacity];
    if (!entryValue(entry, value)) return nullptr;
    logLine("Testing location %S (type %C)", value, type);
    startCandidate(candidate, L"%lc %ls", type, value);
    switch (type) {
      case L'A':
      case L'B':
      case L'R':
        if (checkLocation(candidate, value, minimum, maximum, false))
          return accept(kRuntimeDirectory, value);
        break;
      case L'E':
        if (checkEnvironmentVariable(candidate, value, minimum, maximum))
          return accept(kEnvironment, value);
        break;
      case L'S':
        if (checkSearchPath(candidate, minimum, maximum)) return accept(kSearchPath, value);
        break;
      case L'Y': {
        int before = refusedCandidates();
        if (checkRegistrySources(candidate, minimum, maximum)) return accept(kRegistry, nullptr);
        if (refusedCandidates() == before) {
          startCandidate(candidate, L"Y");
          refuseCandidateAt(candidate, L"the registry", Verdict::NotFound,
                            L"no runtime registered");
        }
        break;
      }
      default:  // unknown types are skipped after their log line
        refuseCandidateAt(candidate, value, Verdict::NotFound, L"unknown entry type");
        break;
    }
    return nullptr;
  }

  HMODULE fallbackEntry(const wchar_t* entry) {
    wchar_t type = entry[0];
    if (!isDirectoryType(type)) return nullptr;
    // The same directory as the main pass tried: B${TESSEL_EXEDIR}jre is B.\jre.
    wchar_t value[kPathCapacity];
    if (!entryValue(entry, value)) return nullptr;
    if (type != L'B' && isAbsoluteEntry(value)) return nullptr;
    logLine("Testing relative location %S", value);
    startCandidate(candidate, L"%lc %ls, without the version check", type, value);
    if (!checkLocation(candidate, value, minimum, maximum, true)) return nullptr;
    if (fileExistsW(candidate.executable)) {
      logLine("%S exists", candidate.executable);
    } else if (isRuntimeImage(candidate.executable)) {
      logLine("runtime image %S exists", candidate.executable);
    } else {
      refuseCandidate(candidate, Verdict::NotFound, L"no java.exe");
      return nullptr;
    }
    return accept(kRuntimeDirectory, value);
  }

  HMODULE previousInstallation(HKEY hive, const char* foundFormat) {
    if (!checkPreviousInstallation(hive, candidate, minimum, maximum)) return nullptr;
    logLine(foundFormat, candidate.executable);
    return accept(kRegistry, nullptr);
  }
};

// Each entry of key 128 (read once from its stored form) in order, until `visit` gives a
// module. An entry too long for the buffer is logged and skipped.
template <typename Visit>
HMODULE eachEntry(const wchar_t* sequence, Visit visit) {
  const wchar_t* cursor = sequence;
  wchar_t entry[kPathCapacity];
  int tooLong = 0;
  while (nextEntry(cursor, entry, kPathCapacity, &tooLong))
    if (HMODULE module = visit(entry)) return module;
  if (tooLong) logLine("%d search sequence entries too long, skipped", tooLong);
  return nullptr;
}

}  // namespace

bool isRuntimeImage(const wchar_t* executable) {
  wchar_t home[kPathCapacity];
  char version[kVersionCapacity];
  return runtimeHomeOfExecutable(executable, home) &&
         readReleaseVersion(home, version, kVersionCapacity) && hasJvmLibrary(executable);
}

void refuseUnloadedLibrary(Candidate& candidate) {
  const JvmLoadFailure& failure = lastJvmLoadFailure();
  wchar_t detail[400];
  if (failure.wrongWordSize) {
    formatText(detail, 400, L"%ls is a 32-bit library", failure.library);
    refuseCandidate(candidate, Verdict::WrongWordSize, detail);
  } else if (failure.anyExisted) {
    formatText(detail, 400, L"%ls does not load, error %lu", failure.library, failure.error);
    refuseCandidate(candidate, Verdict::DamagedLibrary, detail);
  } else {
    refuseCandidate(candidate, Verdict::DamagedLibrary, L"no bin\\<type>\\jvm.dll");
  }
}

bool readLocationFile(wchar_t* line, const wchar_t* name) {
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
  // Other tools write the file, in the code page of the machine.
  char text[kPathCapacity];
  LocationLine read = readLocationLine(source, text, kPathCapacity);
  if (read == LocationLine::TooLong) logLine("location file line too long");
  return read == LocationLine::Read && toWide(text, line, kPathCapacity);
}

bool checkLocation(Candidate& candidate, const wchar_t* directory, const char* minimum,
                   const char* maximum, bool acceptUnvalidated) {
  wchar_t absolute[kPathCapacity];
  if (!absolutePathW(absolute, directory, PathForm::Long)) {
    refuseCandidateAt(candidate, directory, Verdict::NotFound, L"path too long");
    return false;
  }
  lowerCasePathW(absolute);
  unpackRuntimeArchives(absolute);
  bool usable = javaExeForHome(candidate, absolute);
  if (acceptUnvalidated) return true;
  return usable && checkJavaExe(candidate, minimum, maximum, PreRelease::Allowed);
}

bool checkEnvironmentVariable(Candidate& candidate, const wchar_t* name, const char* minimum,
                              const char* maximum) {
  wchar_t value[kPathCapacity];
  DWORD n = GetEnvironmentVariableW(name, value, kPathCapacity);
  if (n == 0 || n >= kPathCapacity) {
    wchar_t shown[300];
    formatText(shown, 300, L"%%%ls%%", name);
    refuseCandidateAt(candidate, shown, Verdict::NotFound, n == 0 ? L"not set" : L"value too long");
    return false;
  }
  for (wchar_t* p = value; *p; ++p)
    if (*p == L'/') *p = L'\\';
  return javaExeForHome(candidate, value) &&
         checkJavaExe(candidate, minimum, maximum, PreRelease::Refused);
}

bool checkSearchPath(Candidate& candidate, const char* minimum, const char* maximum) {
  // Only the absolute PATH entries: the default search order would take a java.exe from the
  // current directory (a document's folder) or from the launcher's own folder first.
  std::wstring found, entry;
  if (!findInAbsolutePathEntries(environmentValueW(L"PATH"), L"java.exe", found, entry) ||
      !setCandidateExecutable(candidate, found.c_str())) {
    refuseCandidateAt(candidate, L"java.exe on the search path", Verdict::NotFound);
    return false;
  }
  logLine("java.exe found in PATH entry %S", entry.c_str());
  return checkJavaExe(candidate, minimum, maximum, PreRelease::Refused);
}

bool checkPreviousInstallation(HKEY hive, Candidate& candidate, const char* minimum,
                               const char* maximum) {
  return checkInstallations(hive, 0, candidate, minimum, maximum) ||
         checkInstallations(hive, KEY_WOW64_64KEY, candidate, minimum, maximum);
}

HMODULE searchJvm(Candidate& accepted, int& kind, wchar_t* location) {
  logLine("Searching for a JVM");
  clearCandidates();
  kind = kNoSource;
  startCandidate(accepted, L"");
  Search search{accepted, kind, location, {}, {}, {}};
  configString(key::MinJavaVersion, search.minimum, kBoundCapacity);
  configString(key::MaxJavaVersion, search.maximum, kBoundCapacity);
  wchar_t sequence[kPathCapacity];
  configStringW(key::SearchSequence, sequence, kPathCapacity);

  if (HMODULE module = search.locationFile(L"\\.corvane\\pref_jre.cfg",
                                           "Has preferred location %S",
                                           "Using preferred location",
                                           L"preferred location file"))
    return module;
  if (HMODULE module = eachEntry(sequence, [&](const wchar_t* entry) {
        return search.mainPassEntry(entry);
      }))
    return module;
  if (HMODULE module = search.locationFile(L"\\.corvane\\inst_jre.cfg",
                                           "Has installer location %S",
                                           "Using installer location",
                                           L"installer location file"))
    return module;
  if (HMODULE module = eachEntry(sequence, [&](const wchar_t* entry) {
        return search.fallbackEntry(entry);
      }))
    return module;

  if (HMODULE module = search.previousInstallation(
          HKEY_CURRENT_USER, "found JRE from previous installation (user) %S"))
    return module;
  if (HMODULE module = search.previousInstallation(
          HKEY_LOCAL_MACHINE, "found JRE from previous installation (machine) %S"))
    return module;
  logLine("Search sequence finished");
  for (const wchar_t* name : {L"TESSEL_JAVA_HOME", L"CORVANE_JAVA_HOME"}) {
    startCandidate(search.candidate, L"%ls", name);
    if (checkEnvironmentVariable(search.candidate, name, search.minimum, search.maximum))
      if (HMODULE module = search.accept(kEnvironment, name)) return module;
  }
  return nullptr;
}

bool LoadDLL() {
  // The second value has always been a null string; printing it as such is undefined.
  logLine("LoadDLL (%d, %s, %d)", 1, "(null)", 0);
  Candidate accepted;
  wchar_t location[kPathCapacity] = L"";
  int kind = kNoSource;
  HMODULE module = searchJvm(accepted, kind, location);
  if (!module) logRefusedCandidates();
  if (kind == kNoSource) {
    logError("No JVM found");
    showMessage(key::MsgNoJvmBits, "64");
    return false;
  }
  setRuntimeHome(accepted.executable);
  if (!module) logError("Could not get DLL-Handle.");
  bool bound = bindCreateJavaVM(module);
  if (!bound) logError("Could not load functions");
  if (module && !bound) {
    refuseCandidate(accepted, Verdict::DamagedLibrary, L"no JNI_CreateJavaVM");
    logRefusedCandidates();
  }
  if (module && bound) {
    logLine("Loading of JVM-DLL successful");
    return true;
  }
  switch (kind) {
    case kSearchPath: showMessage(key::MsgNoJvmBits, "64"); break;
    case kRuntimeDirectory: showMessageW(key::MsgJvmDamaged64, location); break;
    case kEnvironment: showMessageW(key::MsgEnvVarNo64BitJvm, location); break;
    default: break;
  }
  showMessageW(key::MsgJvmNotStarted, nullptr);
  return false;
}

}  // namespace tessel
