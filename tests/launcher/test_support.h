// Helpers for launcher tests: scratch directories unique to the test process.
#pragma once
#include <windows.h>

#include <string>

namespace tessel::test {

// A fresh directory under the temporary directory, removed with its contents at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "\\" + name; }
  void write(const std::string& name, const std::string& bytes) const;

 private:
  std::string path_;
};

std::string readFile(const std::string& path);

// Waits at most a minute for a started process (ending it and failing the test when it runs
// longer), closes its handles and gives its exit code.
DWORD awaitExit(PROCESS_INFORMATION& info);

// The process's PATH at its full length.
std::string currentPath();
std::wstring currentPathW();
// Removes a directory with everything below it.
void removeTree(const std::string& path);
void removeTree(const std::wstring& path);

}  // namespace tessel::test
