#include "discovery/validation.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/log.h"
#include "discovery/candidate_log.h"
#include "discovery/jvm_library.h"
#include "discovery/release_file.h"
#include "discovery/version_cache.h"
#include "discovery/version_rules.h"
#include "util/bounded_text.h"
#include "util/child_process.h"
#include "util/handles.h"
#include "util/paths.h"
#include "files/temp_dir.h"

namespace tessel {

unsigned javaVersionTimeoutMs = 60000;

bool javaExeForHome(Candidate& candidate, const wchar_t* directory) {
  wchar_t executable[kPathCapacity];
  if (!formatText(executable, kPathCapacity, L"%ls\\jre\\bin\\java.exe", directory)) {
    candidate.executable[0] = 0;
    refuseCandidateAt(candidate, directory, Verdict::NotFound, L"path too long");
    return false;
  }
  setCandidateExecutable(candidate, executable);
  if (configInt(key::RequireJdk) != 0) {
    wchar_t tools[kPathCapacity];
    if (formatText(tools, kPathCapacity, L"%ls\\lib\\tools.jar", directory) && fileExistsW(tools))
      return true;
    refuseCandidateAt(candidate, directory, Verdict::NotJdk, L"no lib\\tools.jar");
    return false;
  }
  if (!fileExistsW(executable) &&
      formatText(executable, kPathCapacity, L"%ls\\bin\\java.exe", directory))
    setCandidateExecutable(candidate, executable);
  return true;
}

namespace {

// Finds the banner among the captured standard error's lines: variables such as
// JAVA_TOOL_OPTIONS make the runtime print a notice first. What a runtime prints before its
// banner is short; more than the first 16 KiB is not read.
bool readBanner(const char* file, char* version) {
  FILE* in = std::fopen(file, "rb");
  if (!in) return false;
  char text[16 * 1024];
  size_t length = std::fread(text, 1, sizeof(text), in);
  std::fclose(in);
  bool parsed = findVersionBanner(text, length, version, kVersionCapacity);
  if (parsed) logLine("Java version: %s", version);
  return parsed;
}

// An inheritable handle to a fresh temporary file for the child's standard error.
unique_hfile createCaptureFile(const char* name) {
  // Shared for deletion: the child's copy of the handle is passed on (under Wine to the
  // console host started for the child, which outlives it for a moment), and a copy open
  // without that sharing makes the deletion fail with a sharing violation.
  unique_hfile file(CreateFileA(name, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  unique_hfile inheritable;
  if (file && !DuplicateHandle(GetCurrentProcess(), file.get(), GetCurrentProcess(),
                               inheritable.put(), 0, TRUE, DUPLICATE_SAME_ACCESS))
    inheritable.release();
  return inheritable;
}

}  // namespace

bool versionQueryCommand(const wchar_t* executable, const wchar_t* shortName, wchar_t* program,
                         wchar_t* commandLine, size_t capacity) {
  const wchar_t* path = (shortName && *shortName) ? shortName : executable;
  if (capacity > 0) commandLine[0] = 0;
  if (!copyWhole(program, kPathCapacity, path) || !appendProgramName(commandLine, capacity, path) ||
      !appendArgument(commandLine, capacity, L"-version")) {
    program[0] = commandLine[0] = 0;
    return false;
  }
  return true;
}

bool queryJavaVersion(const wchar_t* executable, uint64_t lastWrite, char* version) {
  version[0] = 0;
  // The path as it is, unless it is too long for CreateProcess: then its 8.3 form.
  wchar_t shortName[kPathCapacity];
  shortName[0] = 0;
  if (std::wcslen(executable) >= MAX_PATH) {
    DWORD n = GetShortPathNameW(executable, shortName, kPathCapacity);
    if (n == 0 || n >= kPathCapacity) shortName[0] = 0;
  }
  wchar_t program[kPathCapacity];
  wchar_t commandLine[kPathCapacity + 32];
  if (!versionQueryCommand(executable, shortName, program, commandLine, kPathCapacity + 32))
    return false;

  char captureName[kPathCapacity];
  createTempFileName(captureName);
  // Declared before the handle so that the file is closed before it is deleted.
  auto removeCapture = runAtEndOfScope([&] {
    if (captureName[0] && !DeleteFileA(captureName)) {
      DWORD error = GetLastError();
      logLine("could not delete %s (last error %d)", captureName, static_cast<int>(error));
    }
  });
  unique_hfile capture;
  if (captureName[0]) capture = createCaptureFile(captureName);

  // Run in its own folder: the launcher's current directory may be a document's folder.
  wchar_t folder[kPathCapacity];
  copyText(folder, kPathCapacity, program);
  if (wchar_t* slash = std::wcsrchr(folder, L'\\')) *slash = 0;
  else folder[0] = 0;
  ChildStart how;
  how.directory = folder[0] ? folder : nullptr;
  how.ownStandardHandles = false;  // only standard error, where the banner goes
  how.standardError = capture.valid() ? capture.get() : nullptr;
  how.hidden = true;
  // No console for the child: its output goes to the capture file, and a console made for it
  // would be a host process that inherits the capture handle and outlives the child.
  how.detached = true;
  ChildProcess child;
  DWORD error = 0;
  if (!startChild(program, commandLine, how, child, error)) {
    logLine("Could not create process %S > %s (error %d)", commandLine, captureName,
            static_cast<int>(error));
    return false;
  }
  capture.reset();  // the child holds its own copy; ours would keep the file open

  DWORD exitCode = STILL_ACTIVE;
  bool ended = waitForChild(child, javaVersionTimeoutMs, exitCode);
  logLine("Exit Code %d", static_cast<int>(exitCode));
  if (!ended || exitCode == STILL_ACTIVE) {
    logLine("Terminating process");
    terminateChild(child);  // so that the capture file can be deleted
    return false;
  }
  if (exitCode != 0) {
    writeCachedVersion(executable, lastWrite, kFailedRunVersion);
    return false;
  }
  return captureName[0] && readBanner(captureName, version);
}

namespace {

// The version of an existing executable, from the cache or from a run (then cached).
bool versionOf(const wchar_t* executable, uint64_t lastWrite, char* version) {
  if (readCachedVersion(executable, lastWrite, version, kVersionCapacity)) {
    logLine("got version from registry %s", version);
    return true;
  }
  if (queryJavaVersion(executable, lastWrite, version)) {
    logLine("got version from execution %s", version);
    writeCachedVersion(executable, lastWrite, version);
    return true;
  }
  logLine("couldn't get version");
  return false;
}

// The version from the runtime's release file, when the executable stands in a bin folder.
bool releaseVersionOf(const wchar_t* executable, char* version) {
  wchar_t home[kPathCapacity];
  return runtimeHomeOfExecutable(executable, home) &&
         readReleaseVersion(home, version, kVersionCapacity);
}

// The javaw.exe beside an accepted java.exe, for a GUI launcher.
bool judgeJavaw(Candidate& candidate) {
  wchar_t javaw[kPathCapacity];
  size_t length = std::wcslen(candidate.executable);
  bool named = length >= 4 && copyWhole(javaw, kPathCapacity, candidate.executable);
  if (named) {
    javaw[length - 4] = 0;  // "...\java" of "...\java.exe"
    named = appendWhole(javaw, kPathCapacity, L"w.exe");
  }
  // The candidate names the missing javaw.exe when it is refused.
  if (named) setCandidateExecutable(candidate, javaw);
  if (named && fileExistsW(javaw)) return true;
  refuseCandidate(candidate, Verdict::NotFound, L"no javaw.exe");
  return false;
}

bool judgeExecutable(Candidate& candidate, const char* minimum, const char* maximum,
                     PreRelease preRelease) {
  wchar_t absolute[kPathCapacity];
  uint64_t lastWrite = 0;
  if (!absolutePathW(absolute, candidate.executable, PathForm::Long)) {
    logLine("file doesn't exist");
    refuseCandidate(candidate, Verdict::NotFound, L"path too long");
    return false;
  }
  lowerCasePathW(absolute);
  setCandidateExecutable(candidate, absolute);
  const wchar_t* executable = candidate.executable;
  bool executableExists = findFileW(executable, &lastWrite);
  // A release file names the version without a process; an image made without the native
  // commands has nothing else to ask.
  bool fromRelease = releaseVersionOf(executable, candidate.version);
  if (!executableExists) {
    if (!fromRelease || !hasJvmLibrary(executable)) {
      logLine("file doesn't exist");
      refuseCandidate(candidate, Verdict::NotFound,
                      fromRelease ? L"no java.exe and no jvm.dll" : L"no java.exe");
      return false;
    }
    logLine("runtime image without java.exe");
  } else {
    logLine("file exists");
  }
  if (fromRelease) {
    logLine("got version from release file %s", candidate.version);
  } else if (!versionOf(executable, lastWrite, candidate.version)) {
    refuseCandidate(candidate, Verdict::NoVersion, L"java.exe -version told none");
    return false;
  }
  VersionVerdict verdict = versionRangeVerdict(candidate.version, minimum, maximum, preRelease);
  if (verdict != VersionVerdict::InRange) {
    wchar_t detail[1024];
    formatText(detail, 1024, L"%hs; range %hs to %hs",
               candidate.version, minimum[0] ? minimum : "any", maximum[0] ? maximum : "any");
    refuseCandidate(candidate,
                    verdict == VersionVerdict::PreRelease ? Verdict::PreRelease
                                                          : Verdict::OutOfRange,
                    detail);
    return false;
  }
  // An image without java.exe has no javaw.exe either; its library is all a GUI start needs.
  if (configInt(key::ExecutableType) == 1 && executableExists && !judgeJavaw(candidate))
    return false;
  candidate.verdict = Verdict::Accepted;
  return true;
}

}  // namespace

bool checkJavaExe(Candidate& candidate, const char* minimum, const char* maximum,
                  PreRelease preRelease) {
  candidate.version[0] = 0;
  logLine("checkJavaExe (%S, [out], %s, %s, %d)", candidate.executable, minimum, maximum,
          preRelease == PreRelease::Allowed ? 1 : 0);
  bool result = judgeExecutable(candidate, minimum, maximum, preRelease);
  logLine("checkJavaExe returning %d", result ? 1 : 0);
  return result;
}

}  // namespace tessel
