#include "launch/class_data_sharing.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "shared_archive.h"
#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/log.h"
#include "files/runtime_home.h"
#include "files/temp_dir.h"
#include "util/bounded_text.h"
#include "util/handles.h"
#include "util/paths.h"
#include "version_text.h"
#include "vm/start_outcome.h"

namespace tessel {
namespace {

// A half-written archive older than this belongs to a start that ended without completing it.
constexpr ULONGLONG kStalePartMs = 10ull * 60 * 1000;

// Set while a runtime of 13 to 18 writes the archive under its part name.
wchar_t pendingPart[kPathCapacity];
wchar_t pendingFinal[kPathCapacity];

// One class-path entry (narrow, ANSI code page) as a wide path; empty when it does not convert.
void widenEntry(const char* text, size_t length, wchar_t* out, size_t capacity) {
  int n = length ? MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), out,
                                       static_cast<int>(capacity - 1))
                 : 0;
  out[n > 0 ? n : 0] = 0;
}

// Calls `use` with each non-empty entry of the list behind "-Djava.class.path=", widened,
// until it returns true; true then.
template <typename F>
bool forEachClassPathEntry(const std::string& classPath, F use) {
  const size_t equals = classPath.find('=');
  const char* p = classPath.c_str() + (equals == std::string::npos ? 0 : equals + 1);
  wchar_t entry[kPathCapacity];
  while (*p) {
    const char* end = std::strchr(p, ';');
    size_t length = end ? static_cast<size_t>(end - p) : std::strlen(p);
    widenEntry(p, length, entry, kPathCapacity);
    if (entry[0] && use(entry)) return true;
    p += length;
    if (*p) ++p;
  }
  return false;
}

bool runtimeVersion(char* version, size_t capacity) {
  char path[kPathCapacity + 16];
  if (!formatText(path, sizeof path, "%s\\release", runtimeHome)) return false;
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  static char text[65536];
  size_t n = std::fread(text, 1, sizeof text, file);
  std::fclose(file);
  return parseReleaseVersion(text, n, version, capacity);
}

// The runtime's own archive beside the loaded jvm.dll; without it no archive can be written.
bool baseArchivePresent() {
  HMODULE jvm = GetModuleHandleW(L"jvm.dll");
  wchar_t path[kPathCapacity];
  DWORD n = jvm ? GetModuleFileNameW(jvm, path, kPathCapacity) : 0;
  if (n == 0 || n >= kPathCapacity) return false;
  wchar_t* slash = std::wcsrchr(path, L'\\');
  if (!slash || (slash - path) + 13 >= static_cast<ptrdiff_t>(kPathCapacity)) return false;
  std::wcscpy(slash + 1, L"classes.jsa");
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

uint64_t hashFileIdentity(uint64_t hash, const wchar_t* path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return hashText(hash, "-", 1);
  hash = hashText(hash, &data.nFileSizeLow, sizeof data.nFileSizeLow);
  hash = hashText(hash, &data.nFileSizeHigh, sizeof data.nFileSizeHigh);
  return hashText(hash, &data.ftLastWriteTime, sizeof data.ftLastWriteTime);
}

// The runtime (home, version), the executable (path, size, time), the class path (text and each
// entry's size and time) and the options that shape an archive.
uint64_t archiveIdentity(const VmOptionList& options, const std::string& classPath,
                         const char* version) {
  uint64_t hash = kHashSeed;
  hash = hashText(hash, runtimeHome, std::strlen(runtimeHome));
  hash = hashText(hash, version, std::strlen(version));
  wchar_t exe[kPathCapacity];
  copyText(exe, kPathCapacity, launcherPathW());
  size_t length = 0;
  // towlower, not CharLower: user32 stays unloaded.
  for (; exe[length]; ++length) exe[length] = static_cast<wchar_t>(towlower(exe[length]));
  hash = hashText(hash, exe, length * sizeof(wchar_t));
  hash = hashFileIdentity(hash, launcherPathW());
  hash = hashText(hash, classPath.data(), classPath.size());
  forEachClassPathEntry(classPath, [&hash](const wchar_t* entry) {
    hash = hashFileIdentity(hash, entry);
    return false;
  });
  for (const std::string& option : options)
    if (option.compare(0, 4, "-XX:") == 0 || option.compare(0, 4, "-Xmx") == 0)
      hash = hashText(hash, option.data(), option.size() + 1);
  return hash;
}

bool hasDynamicArchiveMagic(const wchar_t* path) {
  FILE* file = _wfopen(path, L"rb");
  if (!file) return false;
  unsigned char magic[4] = {};
  size_t n = std::fread(magic, 1, 4, file);
  std::fclose(file);
  uint32_t value = magic[0] | (magic[1] << 8) | (magic[2] << 16) | (static_cast<uint32_t>(magic[3]) << 24);
  return n == 4 && value == kDynamicArchiveMagic;
}

uint64_t fileSize(const wchar_t* path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The size the archive had when its start completed it: a runtime of 13 to 18 that maps a
// shorter file (cut off by a full disk or a copy) crashes instead of refusing it.
bool sizeRecordOf(const wchar_t* archive, wchar_t* record) {
  return formatText(record, kPathCapacity, L"%ls.size", archive);
}

bool archiveIsWhole(const wchar_t* archive) {
  wchar_t recordName[kPathCapacity];
  if (!hasDynamicArchiveMagic(archive) || !sizeRecordOf(archive, recordName)) return false;
  FILE* file = _wfopen(recordName, L"rb");
  if (!file) return false;
  char text[32] = {};
  size_t n = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  return n > 0 && text[0] >= '0' && text[0] <= '9' &&
         _strtoui64(text, nullptr, 10) == fileSize(archive);
}

void removeArchive(const wchar_t* archive) {
  SetFileAttributesW(archive, FILE_ATTRIBUTE_NORMAL);  // runtimes write it read-only
  DeleteFileW(archive);
  wchar_t record[kPathCapacity];
  if (sizeRecordOf(archive, record)) DeleteFileW(record);
}

bool makeDirectories(const wchar_t* path) {
  wchar_t part[kPathCapacity];
  if (!copyWhole(part, kPathCapacity, path) || std::wcslen(part) < 3) return false;
  for (size_t at = 3;; ++at) {
    const wchar_t c = part[at];
    if (c != L'\\' && c != 0) continue;
    part[at] = 0;
    if (!CreateDirectoryW(part, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    if (c == 0) return true;
    part[at] = c;
  }
}

void removeStaleParts(const wchar_t* directory) {
  wchar_t name[kPathCapacity];
  if (!formatText(name, kPathCapacity, L"%ls\\*.part*", directory)) return;
  WIN32_FIND_DATAW found;
  unique_hfind find(FindFirstFileW(name, &found));
  if (!find) return;
  FILETIME nowTime;
  GetSystemTimeAsFileTime(&nowTime);
  ULARGE_INTEGER now{{nowTime.dwLowDateTime, nowTime.dwHighDateTime}};
  do {
    ULARGE_INTEGER written{{found.ftLastWriteTime.dwLowDateTime, found.ftLastWriteTime.dwHighDateTime}};
    if (now.QuadPart > written.QuadPart && (now.QuadPart - written.QuadPart) / 10000 > kStalePartMs &&
        formatText(name, kPathCapacity, L"%ls\\%ls", directory, found.cFileName))
      DeleteFileW(name);
  } while (FindNextFileW(find.get(), &found));
}

bool classPathHasDirectory(const std::string& classPath) {
  return forEachClassPathEntry(classPath, [](const wchar_t* entry) {
    DWORD attributes = GetFileAttributesW(entry);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  });
}

// %LOCALAPPDATA%\tessel\cds\<executable name without .exe>
bool archiveDirectory(wchar_t* directory) {
  directory[0] = 0;
  wchar_t base[kPathCapacity];
  DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", base, kPathCapacity);
  if (n == 0 || n >= kPathCapacity) return false;
  const wchar_t* exe = launcherPathW();
  const wchar_t* slash = std::wcsrchr(exe, L'\\');
  const wchar_t* name = slash ? slash + 1 : exe;
  size_t length = std::wcslen(name);
  if (length > 4 && _wcsicmp(name + length - 4, L".exe") == 0) length -= 4;
  return formatText(directory, kPathCapacity, L"%ls\\tessel\\cds\\%.*ls", base,
                    static_cast<int>(length), name) &&
         makeDirectories(directory);
}

}  // namespace

void addClassDataSharingOptions(VmOptionList& options, const std::string& classPath) {
  char setting[16];
  configString(key::ClassDataSharing, setting, sizeof setting);
  if (std::strcmp(setting, "auto") != 0) return;
  char version[kPathCapacity];
  if (!runtimeVersion(version, sizeof version)) {
    logLine("class-data sharing: the runtime names no version in its release file; no archive");
    return;
  }
  const int feature = featureVersion(version);
  if (archiveModeFor(feature, false) == ArchiveMode::None) {
    logLine("class-data sharing: Java %s writes no dynamic archive", version);
    return;
  }
  if (optionsRuleOutArchive(options)) {
    logLine("class-data sharing: an option decides sharing already; no archive");
    return;
  }
  if (!baseArchivePresent()) {
    logLine("class-data sharing: the runtime has no base archive (classes.jsa); no archive");
    return;
  }
  const std::string launchDir = narrowLaunchTempDir();
  if (!launchDir.empty() && classPath.find(launchDir) != std::string::npos) {
    // Those files lie in a new directory at every start: no archive would ever match.
    logLine("class-data sharing: the class path holds per-launch files; no archive");
    return;
  }
  if (classPathHasDirectory(classPath)) {
    // OpenJDK 17 refuses to write an archive then, and ends the application with an error.
    logLine("class-data sharing: the class path holds a directory; no archive");
    return;
  }
  wchar_t directory[kPathCapacity];
  if (!archiveDirectory(directory)) {
    logError("class-data sharing: no archive directory under LOCALAPPDATA (%S)", directory);
    return;
  }
  removeStaleParts(directory);
  const std::string name = archiveFileName(feature, archiveIdentity(options, classPath, version));
  wchar_t path[kPathCapacity];
  wchar_t part[kPathCapacity];
  if (!formatText(path, kPathCapacity, L"%ls\\%hs", directory, name.c_str()) ||
      !formatText(part, kPathCapacity, L"%ls.part%lu", path, GetCurrentProcessId())) {
    logError("class-data sharing: no archive directory under LOCALAPPDATA (%S)", directory);
    return;
  }
  bool exists = GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
  // From 19 on the runtime rewrites a stale or cut-off archive itself, silently; but a file
  // that is no archive at all makes it warn on standard output.
  if (exists && (feature < 19 ? !archiveIsWhole(path) : !hasDynamicArchiveMagic(path))) {
    logLine("class-data archive %S is damaged; removed", path);
    removeArchive(path);
    exists = false;
  }
  std::string narrowPath, narrowPart;
  if (!narrowPathOf(path, narrowPath) || !narrowPathOf(directory, narrowPart)) {
    logError("class-data sharing: %S cannot be named in code page %u; no archive", path, GetACP());
    return;
  }
  // The directory's narrow (perhaps short) form holds the part file; its name is ASCII.
  char partName[64];
  formatText(partName, sizeof partName, "\\%s.part%lu", name.c_str(), GetCurrentProcessId());
  narrowPart += partName;
  ArchiveMode mode = archiveModeFor(feature, exists);
  for (const std::string& option : archiveOptions(mode, narrowPath, narrowPart)) options.push_back(option);
  if (mode == ArchiveMode::DumpAtExit) {
    copyText(pendingPart, kPathCapacity, part);
    copyText(pendingFinal, kPathCapacity, path);
    setEndAction(finishClassDataArchive);
  }
  logLine("class-data archive %S (Java %s): %s", path, version,
          mode == ArchiveMode::DumpAtExit ? "written when the application ends"
          : mode == ArchiveMode::Use      ? "mapped"
                                          : "mapped, or written when stale or missing");
}

void finishClassDataArchive() {
  if (!pendingPart[0]) return;
  removeArchive(pendingFinal);
  const uint64_t size = fileSize(pendingPart);
  wchar_t recordName[kPathCapacity];
  FILE* record = sizeRecordOf(pendingFinal, recordName) ? _wfopen(recordName, L"wb") : nullptr;
  char digits[24];
  formatText(digits, sizeof digits, "%I64u\n", static_cast<unsigned long long>(size));
  const size_t length = std::strlen(digits);
  bool recorded = record && std::fwrite(digits, 1, length, record) == length;
  if (record) recorded = std::fclose(record) == 0 && recorded;
  if (recorded && hasDynamicArchiveMagic(pendingPart) &&
      MoveFileExW(pendingPart, pendingFinal, MOVEFILE_REPLACE_EXISTING)) {
    logLine("class-data archive written: %S (%lu KB)", pendingFinal,
            static_cast<unsigned long>(size / 1024));
  } else {
    DWORD error = GetLastError();
    logLine("class-data archive not written (%lu)", static_cast<unsigned long>(error));
    DeleteFileW(pendingPart);
    if (record) DeleteFileW(recordName);
  }
  pendingPart[0] = 0;
}

}  // namespace tessel
