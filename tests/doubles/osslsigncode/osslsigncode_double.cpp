// Stands in for osslsigncode.exe when tessel.exe signs: "sign ... -readpass FILE ... -in IN
// -out OUT". Writes REPORT beside itself: the path it ran from and the password, then copies
// IN to OUT. With SIGNER_FAIL set in the environment it ends with that exit code instead.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string narrow(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
  return s;
}

std::string readAll(const std::wstring& path) {
  std::string text;
  if (FILE* f = _wfopen(path.c_str(), L"rb")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) text.append(buffer, n);
    std::fclose(f);
  }
  return text;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring pass, in, out;
  for (int i = 1; i + 1 < argc; ++i) {
    const std::wstring a = argv[i];
    if (a == L"-readpass") pass = argv[++i];
    else if (a == L"-in") in = argv[++i];
    else if (a == L"-out") out = argv[++i];
  }
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring dir(self, n);
  dir = dir.substr(0, dir.find_last_of(L'\\') + 1);
  std::string report = "ran " + narrow(std::wstring(self, n)) + "\n";
  if (!pass.empty()) report += "password: " + readAll(pass) + "\n";
  if (FILE* f = _wfopen((dir + L"REPORT").c_str(), L"wb")) {
    std::fputs(report.c_str(), f);
    std::fclose(f);
  }
  if (const char* fail = std::getenv("SIGNER_FAIL")) return std::atoi(fail);
  return CopyFileW(in.c_str(), out.c_str(), FALSE) ? 0 : 9;
}
