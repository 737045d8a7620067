// Stands in for a runtime's java.exe (and javaw.exe) when asked for its version. It reads
// "java.exe.cfg" beside itself:
//   line=<text>   a line for standard error (repeatable, printed in order)
//   exit=<n>      the exit code (default 0)
//   hang=<s>      sleep that many seconds before printing (a runtime that never answers)
// Every run appends one byte to "java.exe.count" beside it, so tests can count the runs.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Wide: a runtime may lie in a folder that the ANSI code page cannot name.
std::wstring ownDirectory() {
  wchar_t path[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  if (n == 0 || n >= MAX_PATH * 4) return L".";
  std::wstring s(path, n);
  size_t slash = s.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : s.substr(0, slash);
}

void countRun(const std::wstring& dir) {
  HANDLE h = CreateFileW((dir + L"\\java.exe.count").c_str(), FILE_APPEND_DATA,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, "x", 1, &written, nullptr);
  CloseHandle(h);
}

}  // namespace

int main() {
  std::wstring dir = ownDirectory();
  countRun(dir);
  std::vector<std::string> lines;
  int exitCode = 0;
  int hangSeconds = 0;
  if (FILE* cfg = _wfopen((dir + L"\\java.exe.cfg").c_str(), L"r")) {
    char buffer[4096];
    while (std::fgets(buffer, sizeof(buffer), cfg)) {
      std::string entry(buffer);
      while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r')) entry.pop_back();
      if (entry.rfind("line=", 0) == 0) lines.push_back(entry.substr(5));
      else if (entry.rfind("exit=", 0) == 0) exitCode = std::atoi(entry.c_str() + 5);
      else if (entry.rfind("hang=", 0) == 0) hangSeconds = std::atoi(entry.c_str() + 5);
    }
    std::fclose(cfg);
  }
  if (hangSeconds > 0) Sleep(static_cast<DWORD>(hangSeconds) * 1000);
  for (const std::string& line : lines) std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  return exitCode;
}
