#include "record.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

namespace jvmdouble {
namespace {

std::mutex recordLock;

std::wstring wideEnvironment(const wchar_t* name) {
  wchar_t buffer[32768];
  DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
  return (n == 0 || n >= 32768) ? std::wstring() : std::wstring(buffer, n);
}

struct Script {
  bool loaded = false;
  std::map<std::string, std::vector<std::string>> values;
  std::map<std::string, size_t> next;
};

Script& script() {
  static Script s;
  if (s.loaded) return s;
  s.loaded = true;
  std::wstring path = wideEnvironment(L"TESSEL_JVM_SCRIPT");
  if (path.empty()) return s;
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return s;
  char line[8192];
  while (std::fgets(line, sizeof line, file)) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    size_t eq = text.find('=');
    if (eq == std::string::npos || text[0] == '#') continue;
    std::vector<std::string>& list = s.values[text.substr(0, eq)];
    std::string rest = text.substr(eq + 1);
    for (size_t start = 0;;) {
      size_t bar = rest.find('|', start);
      list.push_back(rest.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
      if (bar == std::string::npos) break;
      start = bar + 1;
    }
  }
  std::fclose(file);
  return s;
}

}  // namespace

std::string environment(const char* name) {
  char buffer[32768];
  DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return (n == 0 || n >= sizeof buffer) ? std::string() : std::string(buffer, n);
}

bool listed(const char* variable, const std::string& item) {
  std::string list = ";" + environment(variable) + ";";
  return list.find(";" + item + ";") != std::string::npos;
}

bool scriptedValue(const std::string& method, std::string& value) {
  std::lock_guard<std::mutex> guard(recordLock);
  Script& s = script();
  auto it = s.values.find(method);
  if (it == s.values.end() || it->second.empty()) return false;
  size_t& index = s.next[method];
  value = it->second[index < it->second.size() ? index : it->second.size() - 1];
  ++index;
  return true;
}

void record(const char* format, ...) {
  static std::wstring path = wideEnvironment(L"TESSEL_JVM_RECORD");
  if (path.empty()) return;
  char line[65536];
  va_list args;
  va_start(args, format);
  int n = _vsnprintf(line, sizeof line - 2, format, args);
  va_end(args);
  if (n < 0 || n > static_cast<int>(sizeof line - 2)) n = sizeof line - 2;
  line[n++] = '\n';
  std::lock_guard<std::mutex> guard(recordLock);
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, static_cast<DWORD>(n), &written, nullptr);
  CloseHandle(file);
}

void unexpectedCall(int slot) {
  record("unexpected call %d", slot);
  std::fprintf(stderr, "jvm.dll double: unexpected call of JNI function slot %d\n", slot);
  std::fflush(stderr);
  ExitProcess(99);
}

std::string toUtf8(const std::u16string& text) {
  if (text.empty()) return std::string();
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
  int n = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::string ansiToUtf8(const std::string& text) {
  if (text.empty()) return std::string();
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string wide(static_cast<size_t>(n > 0 ? n : 0), u'\0');
  if (n > 0)
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<wchar_t*>(&wide[0]), n);
  return toUtf8(wide);
}

}  // namespace jvmdouble
