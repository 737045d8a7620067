#include "files/extract.h"

#include <cstring>
#include <cwchar>
#include <memory>

#include "config/config_access.h"
#include "config/config_block.h"
#include "config_keys.h"
#include "file_names.h"
#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/handles.h"
#include "util/paths.h"
#include "files/file_copy.h"
#include "files/launch_cleanup.h"
#include "files/temp_dir.h"

namespace tessel {
namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Windows drops trailing dots and blanks of a path component, so "..", "... " and ". ."
// all climb a level or stay put.
bool isDotComponent(const char* begin, const char* end) {
  if (begin == end) return false;
  bool dot = false;
  for (const char* p = begin; p != end; ++p) {
    if (*p == '.')
      dot = true;
    else if (*p != ' ')
      return false;
  }
  return dot;
}

int64_t filePosition(HANDLE file) {
  LARGE_INTEGER zero{}, pos{};
  SetFilePointerEx(file, zero, &pos, FILE_CURRENT);
  return pos.QuadPart;
}

int64_t remainingBytes(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return INT64_MAX;
  int64_t left = size.QuadPart - filePosition(file);
  return left > 0 ? left : 0;
}

// Creates the directory before the name's first backslash; only that one level is made.
void createFirstLevelDirectory(const wchar_t* target, size_t nameStart, const wchar_t* name) {
  const wchar_t* slash = std::wcschr(name, L'\\');
  if (!slash) return;
  wchar_t directory[kPathCapacity];
  copyText(directory, kPathCapacity, target);
  directory[nameStart + static_cast<size_t>(slash - name)] = 0;
  logLine("creating directory %S", directory);
  if (!CreateDirectoryW(directory, nullptr)) {
    DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) logError("failed to create directory %S", directory);
  }
}

}  // namespace

bool isSafeEmbeddedName(const char* name) noexcept {
  if (!name[0] || isSeparator(name[0]) || std::strchr(name, ':')) return false;
  const char* component = name;
  for (const char* p = name;; ++p) {
    if (*p == 0 || isSeparator(*p)) {
      // A device name's bytes would go to a port or nowhere.
      if (isDotComponent(component, p) ||
          isDeviceName(component, static_cast<size_t>(p - component)))
        return false;
      if (*p == 0) return true;
      component = p + 1;
    }
  }
}

int extractEmbeddedFile(HANDLE file, const wchar_t* target) {
  const int64_t size = readLong(file);
  logLine("extracting %S (size: %I64d)", target, size);
  // An empty file is written like any other: the application may rely on its existence.
  if (size < 0) return 0;
  // A damaged record must not leave a half-written file behind: refuse before creating it.
  const int64_t left = remainingBytes(file);
  if (size > left) {
    logError("embedded file %S needs %I64d bytes but only %I64d follow", target, size, left);
    if (!launcherFileIsComplete(file)) {
      // Cut off by a failed copy rather than damaged: the message says so.
      static wchar_t text[kPathCapacity];
      static wchar_t shown[kPathCapacity];
      messageTextW(key::MsgInternalError, text, kPathCapacity);
      fillPlaceholderW(shown, kPathCapacity, text, L"16");
      failIncompleteRead(shown, file);
    }
    return 1;
  }
  unique_hfile out(CreateFileW(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) {
    DWORD error = GetLastError();
    logError("could not create %S (%d)", target, static_cast<int>(error));
    fatalMessage(key::MsgInternalError, "11");
  }
  return copyUnmaskedBytes(file, out.get(), size);
}

int extractEmbeddedFilesFrom(HANDLE file, ExtractInto directory) {
  const bool createDirectory = directory == ExtractInto::NewLaunchTempDir;
  logLine("extracting files");
  const int32_t count = configInt(key::EmbeddedFileCount);
  logLine("Included files: %d", count);
  if (count <= 0) {
    if (createDirectory) launchTempDir[0] = 0;
    return 0;
  }
  if (createDirectory) createLaunchTempDir();
  unique_hfile own;
  if (!file) {
    own = openLauncherFile();
    file = own.get();
  }
  if (!launchTempDir[0]) {
    // Without a directory the names would land in the root of the current drive.
    logError("no directory to extract into");
    return kUnsafeEmbeddedName;
  }
  LARGE_INTEGER start;
  start.QuadPart = blockEndPosition;
  SetFilePointerEx(file, start, nullptr, FILE_BEGIN);

  // The stored names are Latin-1 and go through the wide API whole, so every letter stays what
  // the project said.
  const wchar_t* into = launchTempDir;
  const size_t nameStart = std::wcslen(into) + 1;
  std::unique_ptr<char[]> names = configStringCopy(key::EmbeddedFileNames);
  int handled = 0;
  char* next = names.get();
  while (handled < count && next && *next) {
    char* name = next;
    char* end = std::strchr(name, ';');
    next = end ? end + 1 : nullptr;
    if (end) *end = 0;
    if (!*name) continue;  // empty names disappear in the split
    ++handled;

    wchar_t nameW[kPathCapacity];
    wchar_t target[kPathCapacity];
    const bool fits = storedTextW(name, nameW, kPathCapacity) &&
                      formatText(target, kPathCapacity, L"%s\\%s", into, nameW);
    if (!fits || !isSafeEmbeddedName(name)) {
      logError(fits ? "embedded file name %S leaves the extraction directory"
                    : "embedded file name %S is too long",
               nameW);
      logError("Failed to extract %S", target);
      return kUnsafeEmbeddedName;
    }
    createFirstLevelDirectory(target, nameStart, nameW);
    const int result = extractEmbeddedFile(file, target);
    if (result != 0) {
      logError("Failed to extract %S", target);
      return result;
    }
  }
  unextractedPosition = static_cast<uint32_t>(filePosition(file));
  // The lock file comes last: made first, its 8.3 alias (TESSEL~1.LOC) would be the target
  // of an embedded file of that name, which could then not be written. Until it exists other
  // launches leave the directory alone.
  if (createDirectory) lockLaunchDir(launchTempDir);
  logLine("extracting files done");
  return 0;
}

int extractEmbeddedFiles(ExtractInto directory) {
  return extractEmbeddedFilesFrom(nullptr, directory);
}

}  // namespace tessel
