#include "discovery/unpack.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "config_keys.h"
#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/child_process.h"
#include "util/handles.h"
#include "util/paths.h"
#include "text_match.h"

namespace tessel {

namespace {
constexpr size_t kPackSuffixLength = 5;  // ".pack"

}  // namespace

unsigned unpackTimeoutMs = 300000;

UnpackResult runUnpack200(const wchar_t* runtimeDirectory, const wchar_t* packedArchive) {
  size_t packedLength = std::wcslen(packedArchive);
  if (packedLength <= kPackSuffixLength || packedLength >= kPathCapacity)
    return UnpackResult::Failed;
  wchar_t target[kPathCapacity];
  copyText(target, kPathCapacity, packedArchive);
  target[packedLength - kPackSuffixLength] = 0;
  if (!fileExistsW(packedArchive)) {
    logLine("pack path doesn't exists");
    return UnpackResult::Failed;
  }
  wchar_t program[kPathCapacity];
  wchar_t arguments[2 * kPathCapacity + 16];
  wchar_t commandLine[3 * kPathCapacity + 32];
  // The program is named twice: as the program, so that no search can start another one, and
  // quoted as argv[0] of its command line, where the tool expects its own name.
  constexpr size_t kLineCapacity = 3 * kPathCapacity + 32;
  commandLine[0] = 0;
  if (!formatText(program, kPathCapacity, L"%ls\\bin\\unpack200.exe", runtimeDirectory) ||
      !formatText(arguments, 2 * kPathCapacity + 16, L"-r \"%ls\" \"%ls\"", packedArchive,
                  target) ||
      !appendProgramName(commandLine, kLineCapacity, program) ||
      !appendArgument(commandLine, kLineCapacity, L"-r") ||
      !appendArgument(commandLine, kLineCapacity, packedArchive, Quoting::Always) ||
      !appendArgument(commandLine, kLineCapacity, target, Quoting::Always))
    return UnpackResult::Failed;
  logLine("%S", program);
  logLine("%S", arguments);

  ChildStart how;
  how.directory = runtimeDirectory;  // not the launcher's current directory (a document's folder)
  how.hidden = true;
  ChildProcess child;
  DWORD error = 0;
  if (!startChild(program, commandLine, how, child, error)) {
    logLine("could not create unpack process (last error %d)", static_cast<int>(error));
    return UnpackResult::NotStarted;
  }
  logLine("waiting for unpack200 to finish");
  DWORD exitCode = 1;
  bool finished = waitForChild(child, unpackTimeoutMs, exitCode);
  if (!finished) {
    logError("unpack200 did not finish within %u s for %S", unpackTimeoutMs / 1000, packedArchive);
    terminateChild(child);  // so that its partial target can be removed
    exitCode = 1;
  } else {
    logLine("unpack done");
  }

  // The packed file may be the only copy of the archive: keep it unless the tool succeeded.
  if (exitCode != 0 || !fileExistsW(target)) {
    if (finished)
      logError("unpack200 failed for %S (exit code %d); keeping it for the next start",
               packedArchive, static_cast<int>(exitCode));
    if (fileExistsW(target)) DeleteFileW(target);
    return finished ? UnpackResult::Failed : UnpackResult::TimedOut;
  }
  if (!DeleteFileW(packedArchive)) {
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND)
      logLine("could not delete packed file (error %d)", static_cast<int>(error));
  }
  return UnpackResult::Done;
}

void unpackPackDirectory(const wchar_t* runtimeDirectory, const wchar_t* folder, bool& announced) {
  wchar_t pattern[kPathCapacity];
  if (!formatText(pattern, kPathCapacity, L"%ls\\%ls\\*.jar.pack", runtimeDirectory, folder))
    return;
  WIN32_FIND_DATAW found;
  unique_hfind search(FindFirstFileW(pattern, &found));
  if (!search) return;
  do {
    // The short-name match of a wildcard can let other names through.
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !endsWith(found.cFileName, L".jar.pack"))
      continue;
    int archiveLength = static_cast<int>(std::wcslen(found.cFileName) - kPackSuffixLength);
    wchar_t target[kPathCapacity];
    wchar_t packed[kPathCapacity];
    if (!formatText(target, kPathCapacity, L"%ls\\%ls\\%.*ls", runtimeDirectory, folder,
                    archiveLength, found.cFileName) ||
        !formatText(packed, kPathCapacity, L"%ls.pack", target))
      continue;
    logLine("checking %S", target);
    if (fileExistsW(target)) continue;
    if (!announced) {
      logLine("Unpacking JRE");
      std::fputs("Preparing JRE ...\n", stdout);
      std::fflush(stdout);
      announced = true;
    }
    UnpackResult result = runUnpack200(runtimeDirectory, packed);
    // A tool that cannot be started, or never ends, leaves a runtime that cannot start.
    if (result == UnpackResult::NotStarted || result == UnpackResult::TimedOut)
      fatalMessage(key::MsgInternalError, "20");
  } while (FindNextFileW(search.get(), &found));
}

void unpackRuntimeArchives(const wchar_t* runtimeDirectory) {
  bool announced = false;
  unpackPackDirectory(runtimeDirectory, L"lib", announced);
  unpackPackDirectory(runtimeDirectory, L"lib\\ext", announced);
  if (announced) logLine("Unpacking JRE done");
}

}  // namespace tessel
