#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace tessel::test {

ScratchDir::ScratchDir() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  static int counter = 0;
  char name[MAX_PATH * 2];
  std::snprintf(name, sizeof(name), "%stessel_test_%lu_%d_%lu", base, GetCurrentProcessId(),
                ++counter, GetTickCount());
  path_ = name;
  CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDir::~ScratchDir() { removeTree(path_); }

void ScratchDir::write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(file(name), std::ios::binary);
  out << bytes;
}

DWORD awaitExit(PROCESS_INFORMATION& info) {
  if (WaitForSingleObject(info.hProcess, 60000) != WAIT_OBJECT_0) {
    TerminateProcess(info.hProcess, 99);
    ADD_FAILURE() << "the launcher did not end within a minute";
  }
  DWORD exitCode = 0;
  GetExitCodeProcess(info.hProcess, &exitCode);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return exitCode;
}

std::string currentPath() {
  DWORD needed = GetEnvironmentVariableA("PATH", nullptr, 0);
  std::string value(needed, '\0');
  value.resize(GetEnvironmentVariableA("PATH", &value[0], needed));
  return value;
}

std::wstring currentPathW() {
  DWORD needed = GetEnvironmentVariableW(L"PATH", nullptr, 0);
  std::wstring value(needed, L'\0');
  value.resize(GetEnvironmentVariableW(L"PATH", &value[0], needed));
  return value;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void removeTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        removeTree(child);
      else
        DeleteFileW(child.c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

void removeTree(const std::string& path) {
  // Test paths are ASCII; the wide walk also removes what tests created with other names.
  removeTree(std::wstring(path.begin(), path.end()));
}

}  // namespace tessel::test
