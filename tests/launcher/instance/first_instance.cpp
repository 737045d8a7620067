#include "instance/first_instance.h"

#include <cwchar>

#include "instance/fake_jni.h"
#include "instance/instance_names.h"
#include "instance/instance_pid.h"
#include "instance/instance_semaphore.h"
#include "instance/mailslot.h"
#include "vm/java_vm.h"

namespace tessel::test {

std::string instanceValueName(const std::wstring& exe) {
  wchar_t full[MAX_PATH * 4];
  wchar_t longForm[MAX_PATH * 4];
  GetFullPathNameW(exe.c_str(), MAX_PATH * 4, full, nullptr);
  if (!GetLongPathNameW(full, longForm, MAX_PATH * 4)) std::wcscpy(longForm, full);
  std::string out;
  for (const wchar_t* p = longForm; *p; ++p) {
    char c = static_cast<char>(*p);  // the tests use ASCII paths
    out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  }
  return out;
}

FakeFirstInstance::FakeFirstInstance(const std::wstring& exe, bool global)
    : valueName_(instanceValueName(exe)) {
  char name[kInstanceNameCapacity];
  bool running = false;
  semaphore_.reset(createInstanceSemaphore(name, sizeof name, global, valueName_.c_str(), &running));
  semaphoreName_ = name;
  writeInstancePid(valueName_.c_str());
}

void FakeFirstInstance::recordId(DWORD processId) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kInstancePidKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != 0)
    return;
  RegSetValueExA(key, valueName_.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&processId),
                 sizeof processId);
  RegCloseKey(key);
}

FakeFirstInstance::~FakeFirstInstance() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kInstancePidKey, 0, KEY_SET_VALUE, &key) == 0) {
    RegDeleteValueA(key, valueName_.c_str());
    RegCloseKey(key);
  }
}

bool startOwnListener() {
  static const bool started = [] {
    javaVm = fakeVm();
    vmCreated.store(true, std::memory_order_release);
    char name[kMailslotNameCapacity];
    mailslotName(GetCurrentProcessId(), name, sizeof name);
    HANDLE mailslot = CreateMailslotA(name, kMaxMailslotMessage, MAILSLOT_WAIT_FOREVER, nullptr);
    if (mailslot == INVALID_HANDLE_VALUE) return false;
    // Runs until the test process ends, like the listener of a real first instance.
    unique_handle thread(CreateThread(nullptr, 0, mailslotListener, mailslot, 0, nullptr));
    if (!thread) CloseHandle(mailslot);
    return static_cast<bool>(thread);
  }();
  return started;
}

namespace {

// This process's environment with the extra variables put in front (the first entry of a
// name wins), as a block for CreateProcessW.
std::wstring environmentWith(const std::vector<std::wstring>& variables) {
  std::wstring block;
  for (const std::wstring& v : variables) block += v + L'\0';
  wchar_t* own = GetEnvironmentStringsW();
  for (const wchar_t* p = own; *p; p += std::wcslen(p) + 1) {
    std::wstring entry = p;
    bool overridden = false;
    for (const std::wstring& v : variables) {
      size_t eq = v.find(L'=');
      if (_wcsnicmp(entry.c_str(), v.c_str(), eq + 1) == 0) overridden = true;
    }
    if (!overridden) block += entry + L'\0';
  }
  FreeEnvironmentStringsW(own);
  return block + L'\0';
}

}  // namespace

bool startProcess(const std::wstring& commandLine, const std::vector<std::wstring>& variables,
                  PROCESS_INFORMATION& info) {
  std::wstring line = commandLine;
  std::wstring environment = environmentWith(variables);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  info = PROCESS_INFORMATION{};
  return CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        &environment[0], nullptr, &startup, &info) != FALSE;
}

int runProcess(const std::wstring& commandLine, const std::vector<std::wstring>& variables,
               DWORD timeoutMs) {
  PROCESS_INFORMATION info{};
  if (!startProcess(commandLine, variables, info)) return -1;
  unique_handle process(info.hProcess);
  unique_handle thread(info.hThread);
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) break;
    DWORD waited = MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, timeoutMs - elapsed,
                                             QS_ALLINPUT);
    if (waited == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(info.hProcess, &code);
      return static_cast<int>(code);
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  TerminateProcess(info.hProcess, 99);
  return -1;
}

}  // namespace tessel::test
