#include "instance/sender_process.h"

#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <string>

#include "instance/instance_guard.h"
#include "instance/mailslot.h"

namespace tessel::test {
namespace {

// Reads one decimal word and the blanks behind it.
unsigned long takeNumber(const wchar_t*& p) {
  unsigned long value = std::wcstoul(p, const_cast<wchar_t**>(&p), 10);
  while (*p == L' ') ++p;
  return value;
}

int runSenderMode() {
  const wchar_t* line = secondStartArguments(GetCommandLineW());
  if (std::wcsncmp(line, L"--instance-test-send ", 21) != 0) return -1;
  const wchar_t* p = line + 21;
  DWORD pid = takeNumber(p);
  unsigned long count = takeNumber(p);
  for (unsigned long i = 0; i < count; ++i) sendToRunningInstance(pid, p);
  return 0;
}

// Runs before the test framework's main: a sender never reaches the tests.
const int senderMode = [] {
  int result = runSenderMode();
  if (result >= 0) ExitProcess(result);
  return 0;
}();

}  // namespace

int runSender(DWORD targetPid, int count, const std::wstring& text, DWORD timeoutMs) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring line = L"\"" + std::wstring(self) + L"\" --instance-test-send " +
                      std::to_wstring(targetPid) + L" " + std::to_wstring(count) + L" " + text;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return -1;
  DWORD waited = WaitForSingleObject(process.hProcess, timeoutMs);
  DWORD code = static_cast<DWORD>(-1);
  if (waited == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
  else TerminateProcess(process.hProcess, 99);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

}  // namespace tessel::test
