#include "diagnostics/log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <ctime>
#include <string>

#include "util/bounded_text.h"
#include "util/handles.h"

namespace tessel {

bool createLogOption = false;

namespace {

constexpr size_t kLineCapacity = 32768;
// Numbers tried before the fixed name is used instead.
constexpr int kNameAttempts = 100000;

// Created at program start, before the main thread can log.
struct LogLock {
  CRITICAL_SECTION cs;
  LogLock() { InitializeCriticalSection(&cs); }
};
LogLock logLock;

bool decided = false;
bool pathSet = false;
wchar_t logPath[kPathCapacity];

bool envEqualsYes(const char* name) {
  char value[kPathCapacity];
  DWORD n = GetEnvironmentVariableA(name, value, sizeof(value));
  return n > 0 && n < sizeof(value) && std::strcmp(value, "yes") == 0;
}

// Writes UTF-8 text to the log in text mode (LF becomes CR LF), appending. The log is UTF-8 so
// that every path shows as it is, whatever the ANSI code page can hold.
void appendToLog(const char* text) {
  unique_hfile file(CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  std::string out;
  out.reserve(std::strlen(text) + 16);
  for (const char* p = text; *p; ++p) {
    if (*p == '\n') out.push_back('\r');
    out.push_back(*p);
  }
  DWORD written = 0;
  WriteFile(file.get(), out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
}

bool isDirectory(const wchar_t* path) {
  DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool logDirectory(wchar_t* out, size_t capacity) {
  DWORD n = GetEnvironmentVariableW(L"TMP", out, static_cast<DWORD>(capacity));
  if (n > 0 && n < capacity && isDirectory(out)) return true;
  if (copyWhole(out, capacity, L"c:\\") && isDirectory(out)) return true;
  wchar_t current[kPathCapacity];
  n = GetCurrentDirectoryW(kPathCapacity, current);
  if (n == 0 || n >= kPathCapacity) return false;
  if (current[0] && current[1] == L':') {
    wchar_t root[] = {current[0], L':', L'\\', 0};
    if (isDirectory(root)) return copyWhole(out, capacity, root);
  }
  return copyWhole(out, capacity, current);
}

bool claimLogFileName(const wchar_t* directory, wchar_t* out, size_t capacity) {
  size_t length = std::wcslen(directory);
  const wchar_t* separator = (length > 0 && directory[length - 1] == L'\\') ? L"" : L"\\";
  for (int number = 1; number <= kNameAttempts; ++number) {
    if (!formatText(out, capacity, L"%ls%lscvn_nlog_%d", directory, separator, number)) break;
    unique_hfile file(CreateFileW(out, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return true;
    DWORD error = GetLastError();
    // A directory of that name is refused as access denied rather than as existing.
    bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                 (error == ERROR_ACCESS_DENIED && GetFileAttributesW(out) != INVALID_FILE_ATTRIBUTES);
    if (!taken) break;
  }
  if (capacity > 0) out[0] = 0;
  return false;
}

namespace {

// The numbered log file, claimed with an exclusive create so that two launches started
// together never share (and truncate) one log.
bool claimTempLogName() {
  wchar_t directory[kPathCapacity];
  return logDirectory(directory, kPathCapacity) &&
         claimLogFileName(directory, logPath, kPathCapacity);
}

bool createFixedLog() {
  copyText(logPath, kPathCapacity, L"c:\\cvn_nlog");
  unique_hfile file(CreateFileW(logPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid();
}

void writeHeader() {
  wchar_t module[kPathCapacity];
  DWORD n = GetModuleFileNameW(nullptr, module, kPathCapacity);
  if (n == 0 || n >= kPathCapacity) module[0] = 0;
  std::time_t now = std::time(nullptr);
  const char* when = std::ctime(&now);
  wchar_t header[kPathCapacity + 128];
  formatText(header, kPathCapacity + 128, L"Started executable %s at %S\n", module,
             when ? when : "\n");
  char narrow[(kPathCapacity + 128) * 3];
  int len = WideCharToMultiByte(CP_UTF8, 0, header, -1, narrow, sizeof(narrow), nullptr, nullptr);
  if (len <= 0) return;
  appendToLog(narrow);
}

// Enters the lock; returns true when a line should be written.
bool openLog() {
  EnterCriticalSection(&logLock.cs);
  if (decided) return pathSet;
  decided = true;
  if (!createLogOption && !envEqualsYes("TESSEL_LOG") && !envEqualsYes("CORVANE_LOG"))
    return false;
  pathSet = true;
  if (!claimTempLogName() && !createFixedLog()) return true;  // retried at every line
  writeHeader();
  return true;
}

void writeLine(const char* prefix, const char* format, va_list args) {
  if (openLog()) {
    static char line[kLineCapacity];
    size_t used = 0;
    if (prefix) {
      copyText(line, kLineCapacity, prefix);
      used = std::strlen(line);
    }
    formatTextInCodePage(line + used, kLineCapacity - used - 1, CP_UTF8, format, args);
    appendText(line, kLineCapacity, "\n");
    appendToLog(line);
  }
  LeaveCriticalSection(&logLock.cs);
}

}  // namespace

void logLine(const char* format, ...) {
  va_list args;
  va_start(args, format);
  writeLine(nullptr, format, args);
  va_end(args);
}

void logError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  writeLine("ERROR: ", format, args);
  va_end(args);
}

const wchar_t* logFilePath() {
  EnterCriticalSection(&logLock.cs);
  const wchar_t* path = pathSet ? logPath : nullptr;
  LeaveCriticalSection(&logLock.cs);
  return path;
}

}  // namespace tessel
