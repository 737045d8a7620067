// A scratch directory unique to the test process, removed with its contents at the end.
#pragma once
#include <windows.h>

#include <string>

#include "test_support.h"

namespace tessel {

class ScratchDir {
 public:
  ScratchDir() {
    static int counter = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"tessel-vm-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~ScratchDir() { test::removeTree(path_); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
  std::string narrow(const std::wstring& name = L"") const {
    std::wstring w = name.empty() ? path_ : file(name);
    return std::string(w.begin(), w.end());  // scratch names are ASCII
  }
  std::wstring write(const std::wstring& name, const std::string& bytes) const {
    std::wstring full = file(name);
    HANDLE h = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return full;
  }
  std::wstring makeDir(const std::wstring& name) const {
    std::wstring full = file(name);
    CreateDirectoryW(full.c_str(), nullptr);
    return full;
  }
  static std::string read(const std::wstring& full) {
    HANDLE h = CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    std::string out;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
    CloseHandle(h);
    return out;
  }

 private:
  std::wstring path_;
};

}  // namespace tessel
