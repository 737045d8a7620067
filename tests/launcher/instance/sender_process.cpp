#include "instance/sender_process.h"

#include <psapi.h>

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

void printUsage(HANDLE process, const char* when) {
  DWORD handles = 0;
  GetProcessHandleCount(process, &handles);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  std::printf("%s: handles %lu private_bytes %llu\n", when, handles,
              static_cast<unsigned long long>(memory.PrivateUsage));
  std::fflush(stdout);
}

int runSenderMode() {
  const wchar_t* line = secondStartArguments(GetCommandLineW());
  bool soak = std::wcsncmp(line, L"--instance-test-soak ", 21) == 0;
  if (!soak && std::wcsncmp(line, L"--instance-test-send ", 21) != 0) return -1;
  const wchar_t* p = line + 21;
  DWORD pid = takeNumber(p);
  unsigned long count = takeNumber(p);
  if (!soak) {
    for (unsigned long i = 0; i < count; ++i) sendToRunningInstance(pid, p);
    return 0;
  }
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  printUsage(process, "before");
  for (unsigned long i = 0; i < count; ++i)
    sendToRunningInstance(pid, (L"soak " + std::to_wstring(i)).c_str());
  Sleep(2000);  // let the receiver drain the mailslot
  printUsage(process, "after");
  CloseHandle(process);
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
