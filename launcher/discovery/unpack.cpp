#include "discovery/unpack.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "config_keys.h"
#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/handles.h"
#include "util/paths.h"

namespace tessel {

namespace {
constexpr size_t kPackSuffixLength = 5;  // ".pack"

bool endsWith(const char* text, const char* suffix) {
  size_t length = std::strlen(text);
  size_t suffixLength = std::strlen(suffix);
  return length >= suffixLength && std::strcmp(text + length - suffixLength, suffix) == 0;
}
}  // namespace

void runUnpack200(const char* runtimeDirectory, const char* packedArchive) {
  size_t packedLength = std::strlen(packedArchive);
  if (packedLength <= kPackSuffixLength) return;
  char target[kPathCapacity];
  formatText(target, kPathCapacity, "%.*s", static_cast<int>(packedLength - kPackSuffixLength),
             packedArchive);
  if (!fileExists(packedArchive)) {
    logLine("pack path doesn't exists");
    return;
  }
  char program[kPathCapacity];
  char commandLine[2 * kPathCapacity + 16];
  if (!formatText(program, kPathCapacity, "%s\\bin\\unpack200.exe", runtimeDirectory) ||
      !formatText(commandLine, sizeof(commandLine), "-r \"%s\" \"%s\"", packedArchive, target))
    return;
  logLine("%s", program);
  logLine("%s", commandLine);

  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(program, commandLine, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                      nullptr, nullptr, &startup, &info)) {
    DWORD error = GetLastError();  // before the log's own file calls replace it
    logLine("could not create unpack process (last error %d)", static_cast<int>(error));
    fatalMessage(key::MsgInternalError, "20");
  }
  unique_handle process(info.hProcess);
  unique_handle thread(info.hThread);
  logLine("waiting for unpack200 to finish");
  WaitForSingleObject(process.get(), INFINITE);
  logLine("unpack done");
  DWORD exitCode = 1;
  GetExitCodeProcess(process.get(), &exitCode);

  // The packed file may be the only copy of the archive: keep it unless the tool succeeded.
  if (exitCode != 0 || !fileExists(target)) {
    logError("unpack200 failed for %s (exit code %d); keeping it for the next start",
             packedArchive, static_cast<int>(exitCode));
    if (fileExists(target)) DeleteFileA(target);
    return;
  }
  if (!DeleteFileA(packedArchive)) {
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND)
      logLine("could not delete packed file (error %d)", static_cast<int>(error));
  }
}

void unpackPackDirectory(const char* runtimeDirectory, const char* folder, bool& announced) {
  char pattern[kPathCapacity];
  if (!formatText(pattern, kPathCapacity, "%s\\%s\\*.jar.pack", runtimeDirectory, folder))
    return;
  WIN32_FIND_DATAA found;
  unique_hfind search(FindFirstFileA(pattern, &found));
  if (!search) return;
  do {
    // The short-name match of a wildcard can let other names through.
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !endsWith(found.cFileName, ".jar.pack"))
      continue;
    int archiveLength = static_cast<int>(std::strlen(found.cFileName) - kPackSuffixLength);
    char target[kPathCapacity];
    char packed[kPathCapacity];
    if (!formatText(target, kPathCapacity, "%s\\%s\\%.*s", runtimeDirectory, folder,
                    archiveLength, found.cFileName) ||
        !formatText(packed, kPathCapacity, "%s.pack", target))
      continue;
    logLine("checking %s", target);
    if (fileExists(target)) continue;
    if (!announced) {
      logLine("Unpacking JRE");
      std::fputs("Preparing JRE ...\n", stdout);
      std::fflush(stdout);
      announced = true;
    }
    runUnpack200(runtimeDirectory, packed);
  } while (FindNextFileA(search.get(), &found));
}

void unpackRuntimeArchives(const char* runtimeDirectory) {
  bool announced = false;
  unpackPackDirectory(runtimeDirectory, "lib", announced);
  unpackPackDirectory(runtimeDirectory, "lib\\ext", announced);
  if (announced) logLine("Unpacking JRE done");
}

}  // namespace tessel
