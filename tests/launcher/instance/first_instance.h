// The test process in the part of a running first instance in single-instance mode: it holds
// the instance semaphore of an application executable, has recorded its process id for it and
// listens on its mailslot, delivering to the recording Java machine of fake_jni.h. Since it is
// not a process of that executable, a later start must refuse it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "util/handles.h"

namespace tessel::test {

// The name the launcher derives from its own path: full long path, A-Z lower-cased.
std::string instanceValueName(const std::wstring& exe);

class FakeFirstInstance {
 public:
  // Holds the unnumbered semaphore of `exe` ("Global\" with `global`) and records the id.
  FakeFirstInstance(const std::wstring& exe, bool global);
  ~FakeFirstInstance();
  bool holdsSemaphore() const { return static_cast<bool>(semaphore_); }
  const std::string& valueName() const { return valueName_; }
  // Records another id in place of this process's, as an earlier run would have left it.
  void recordId(DWORD processId);
  const std::string& semaphoreName() const { return semaphoreName_; }

 private:
  std::string valueName_;
  std::string semaphoreName_;
  unique_handle semaphore_;
};

// Starts the listener on this process's mailslot once per process, with the fake machine
// already running; false when the mailslot could not be made.
bool startOwnListener();

// Starts the command line with the extra variables ("NAME=value") put in front of this
// process's environment; the handles in `info` are the caller's to close.
bool startProcess(const std::wstring& commandLine, const std::vector<std::wstring>& variables,
                  PROCESS_INFORMATION& info);
// Runs the command line in `directory` with the extra variables ("NAME=value") and waits at
// most `timeoutMs`, pumping this thread's messages meanwhile so that a started process can
// work on this process's windows. The exit code, or -1 when it did not start or end in time.
int runProcess(const std::wstring& commandLine, const std::vector<std::wstring>& variables,
               DWORD timeoutMs = 60000);

}  // namespace tessel::test
