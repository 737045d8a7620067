#include "discovery/unpack.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "config_keys.h"
#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
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
  if (!formatText(program, kPathCapacity, L"%ls\\bin\\unpack200.exe", runtimeDirectory) ||
      !formatText(arguments, 2 * kPathCapacity + 16, L"-r \"%ls\" \"%ls\"", packedArchive,
                  target) ||
      !formatText(commandLine, 3 * kPathCapacity + 32, L"\"%ls\" %ls", program, arguments))
    return UnpackResult::Failed;
  logLine("%S", program);
  logLine("%S", arguments);

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  // The runtime's folder, not the launcher's current directory (perhaps a document's folder).
  if (!CreateProcessW(program, commandLine, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                      nullptr, runtimeDirectory, &startup, &info)) {
    DWORD error = GetLastError();  // before the log's own file calls replace it
    logLine("could not create unpack process (last error %d)", static_cast<int>(error));
    return UnpackResult::NotStarted;
  }
  unique_handle process(info.hProcess);
  unique_handle thread(info.hThread);
  logLine("waiting for unpack200 to finish");
  bool finished = WaitForSingleObject(process.get(), unpackTimeoutMs) == WAIT_OBJECT_0;
  if (!finished) {
    logError("unpack200 did not finish within %u s for %S", unpackTimeoutMs / 1000, packedArchive);
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 5000);  // so that its partial target can be removed
  } else {
    logLine("unpack done");
  }
  DWORD exitCode = 1;
  if (finished) GetExitCodeProcess(process.get(), &exitCode);

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
