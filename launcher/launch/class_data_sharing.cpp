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
#include "util/environment.h"
#include "util/paths.h"
#include "version_text.h"
#include "vm/start_outcome.h"

namespace tessel {
namespace {

// A half-written archive older than this belongs to a start that ended without completing it.
constexpr ULONGLONG kStalePartMs = 10ull * 60 * 1000;

std::wstring pendingPart;
std::wstring pendingFinal;

// Decimal digits without the printf family (the launcher links only the C runtime's own).
std::wstring decimal(uint64_t value) {
  wchar_t digits[24];
  wchar_t* p = digits + 23;
  *p = 0;
  do *--p = static_cast<wchar_t>(L'0' + value % 10); while ((value /= 10) != 0);
  return p;
}

std::wstring widened(const std::string& text) {
  std::wstring out(text.size() + 1, L'\0');
  int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &out[0], static_cast<int>(out.size()));
  out.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
  return out;
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

std::wstring lowered(const std::wstring& text) {
  std::wstring out = text;
  for (wchar_t& c : out) c = static_cast<wchar_t>(towlower(c));  // not CharLower: user32 stays unloaded
  return out;
}

// The runtime (home, version), the executable (path, size, time), the class path (text and each
// entry's size and time) and the options that shape an archive.
uint64_t archiveIdentity(const VmOptionList& options, const std::string& classPath,
                         const char* version) {
  uint64_t hash = kHashSeed;
  hash = hashText(hash, runtimeHome, std::strlen(runtimeHome));
  hash = hashText(hash, version, std::strlen(version));
  std::wstring exe = lowered(launcherPathW());
  hash = hashText(hash, exe.data(), exe.size() * sizeof(wchar_t));
  hash = hashFileIdentity(hash, launcherPathW());
  hash = hashText(hash, classPath.data(), classPath.size());
  const std::string list = classPath.substr(classPath.find('=') + 1);
  for (size_t start = 0; start < list.size();) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::wstring entry = widened(list.substr(start, end - start));
    if (!entry.empty()) hash = hashFileIdentity(hash, entry.c_str());
    start = end + 1;
  }
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
std::wstring sizeRecordOf(const std::wstring& archive) { return archive + L".size"; }

bool archiveIsWhole(const std::wstring& archive) {
  if (!hasDynamicArchiveMagic(archive.c_str())) return false;
  FILE* file = _wfopen(sizeRecordOf(archive).c_str(), L"rb");
  if (!file) return false;
  char text[32] = {};
  size_t n = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  return n > 0 && text[0] >= '0' && text[0] <= '9' &&
         _strtoui64(text, nullptr, 10) == fileSize(archive.c_str());
}

void removeArchive(const std::wstring& archive) {
  SetFileAttributesW(archive.c_str(), FILE_ATTRIBUTE_NORMAL);  // runtimes write it read-only
  DeleteFileW(archive.c_str());
  DeleteFileW(sizeRecordOf(archive).c_str());
}

bool makeDirectories(const std::wstring& path) {
  for (size_t at = path.find(L'\\', 3); ; at = path.find(L'\\', at + 1)) {
    std::wstring part = path.substr(0, at);
    if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    if (at == std::wstring::npos) return true;
  }
}

void removeStaleParts(const std::wstring& directory) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((directory + L"\\*.part*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  FILETIME nowTime;
  GetSystemTimeAsFileTime(&nowTime);
  ULARGE_INTEGER now{{nowTime.dwLowDateTime, nowTime.dwHighDateTime}};
  do {
    ULARGE_INTEGER written{{found.ftLastWriteTime.dwLowDateTime, found.ftLastWriteTime.dwHighDateTime}};
    if (now.QuadPart > written.QuadPart && (now.QuadPart - written.QuadPart) / 10000 > kStalePartMs)
      DeleteFileW((directory + L"\\" + found.cFileName).c_str());
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

bool classPathHasDirectory(const std::string& classPath) {
  const std::string list = classPath.substr(classPath.find('=') + 1);
  for (size_t start = 0; start < list.size();) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::wstring entry = widened(list.substr(start, end - start));
    DWORD attributes = entry.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(entry.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    start = end + 1;
  }
  return false;
}

// %LOCALAPPDATA%\tessel\cds\<executable name without .exe>
bool archiveDirectory(std::wstring& directory) {
  std::wstring base = environmentValueW(L"LOCALAPPDATA");
  if (base.empty()) return false;
  std::wstring exe = launcherPathW();
  std::wstring name = exe.substr(exe.find_last_of(L'\\') + 1);
  if (name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".exe") == 0) name.resize(name.size() - 4);
  directory = base + L"\\tessel\\cds\\" + name;
  return makeDirectories(directory);
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
  if (launchTempDir[0] && classPath.find(launchTempDir) != std::string::npos) {
    // Those files lie in a new directory at every start: no archive would ever match.
    logLine("class-data sharing: the class path holds per-launch files; no archive");
    return;
  }
  if (classPathHasDirectory(classPath)) {
    // OpenJDK 17 refuses to write an archive then, and ends the application with an error.
    logLine("class-data sharing: the class path holds a directory; no archive");
    return;
  }
  std::wstring directory;
  if (!archiveDirectory(directory)) {
    logError("class-data sharing: no archive directory under LOCALAPPDATA (%S)", directory.c_str());
    return;
  }
  removeStaleParts(directory);
  std::wstring name = widened(archiveFileName(feature, archiveIdentity(options, classPath, version)));
  std::wstring path = directory + L"\\" + name;
  bool exists = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  // From 19 on the runtime rewrites a stale or cut-off archive itself, silently; but a file
  // that is no archive at all makes it warn on standard output.
  if (exists && (feature < 19 ? !archiveIsWhole(path) : !hasDynamicArchiveMagic(path.c_str()))) {
    logLine("class-data archive %S is damaged; removed", path.c_str());
    removeArchive(path);
    exists = false;
  }
  std::wstring part = path + L".part" + decimal(GetCurrentProcessId());
  std::string narrowPath, narrowPart;
  if (!narrowPathOf(path.c_str(), narrowPath) || !narrowPathOf(directory.c_str(), narrowPart)) {
    logError("class-data sharing: %S cannot be named in code page %u; no archive", path.c_str(), GetACP());
    return;
  }
  // The directory's narrow (perhaps short) form holds the part file; its name is ASCII.
  narrowPart += "\\" + narrowText(part.substr(directory.size() + 1).c_str());
  ArchiveMode mode = archiveModeFor(feature, exists);
  for (const std::string& option : archiveOptions(mode, narrowPath, narrowPart)) options.push_back(option);
  if (mode == ArchiveMode::DumpAtExit) {
    pendingPart = part;
    pendingFinal = path;
    setEndAction(finishClassDataArchive);
  }
  logLine("class-data archive %S (Java %s): %s", path.c_str(), version,
          mode == ArchiveMode::DumpAtExit ? "written when the application ends"
          : mode == ArchiveMode::Use      ? "mapped"
                                          : "mapped, or written when stale or missing");
}

void finishClassDataArchive() {
  if (pendingPart.empty()) return;
  removeArchive(pendingFinal);
  const uint64_t size = fileSize(pendingPart.c_str());
  FILE* record = _wfopen(sizeRecordOf(pendingFinal).c_str(), L"wb");
  const std::string digits = narrowText(decimal(size).c_str()) + "\n";
  bool recorded = record && std::fwrite(digits.data(), 1, digits.size(), record) == digits.size();
  if (record) recorded = std::fclose(record) == 0 && recorded;
  if (recorded && hasDynamicArchiveMagic(pendingPart.c_str()) &&
      MoveFileExW(pendingPart.c_str(), pendingFinal.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    logLine("class-data archive written: %S (%lu KB)", pendingFinal.c_str(),
            static_cast<unsigned long>(size / 1024));
  } else {
    DWORD error = GetLastError();
    logLine("class-data archive not written (%lu)", static_cast<unsigned long>(error));
    DeleteFileW(pendingPart.c_str());
    DeleteFileW(sizeRecordOf(pendingFinal).c_str());
  }
  pendingPart.clear();
}

}  // namespace tessel
