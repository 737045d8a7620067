#include "instance/instance_guard.h"

#include <windows.h>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/handles.h"
#include "util/paths.h"
#include "instance/instance_names.h"
#include "instance/instance_pid.h"
#include "instance/instance_semaphore.h"
#include "instance/mailslot.h"
#include "instance/window_activation.h"

namespace tessel {
namespace {

constexpr int kPidRetries = 50;
constexpr DWORD kPidPauseMs = 100;

char semaphoreName[kInstanceNameCapacity];

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

[[noreturn]] void handOverToRunningInstance(const char* absoluteExe, HandOver handOver) {
  // The first instance writes its id just after creating the semaphore.
  DWORD pid = waitForInstancePid(absoluteExe, kPidRetries, kPidPauseMs);
  logLine("other pid %d", static_cast<int>(pid));
  if (pid != 0) {
    if (configInt(key::ActivateRunningInstance)) activateProcessWindows(pid, true);
    if (handOver == HandOver::Arguments) sendToRunningInstance(pid, secondStartArguments(GetCommandLineW()), absoluteExe);
  }
  logLine("exiting");
  fatalExit(0);
}

void startMailslotListener() {
  char name[kMailslotNameCapacity];
  mailslotName(GetCurrentProcessId(), name, sizeof name);
  HANDLE mailslot = createPrivateMailslot(name);
  if (mailslot == INVALID_HANDLE_VALUE) {
    logLine("creating mailslot failed");
    return;
  }
  logLine("creating mailslot successful");
  // The listener owns the mailslot from here on; the thread handle itself is not needed.
  unique_handle listener(CreateThread(nullptr, 0, mailslotListener, mailslot, 0, nullptr));
  if (!listener) {
    DWORD error = GetLastError();
    logError("starting mailslot listener failed %d", static_cast<int>(error));
    CloseHandle(mailslot);
  }
}

}  // namespace

const char* instanceSemaphoreName() { return semaphoreName[0] ? semaphoreName : nullptr; }

const wchar_t* secondStartArguments(const wchar_t* commandLine) {
  static const wchar_t kNone[] = L"";
  const wchar_t* p = commandLine;
  if (!p) return kNone;
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (!*p) return kNone;
  }
  while (*p && !isBlank(*p)) ++p;
  if (!*p) return kNone;
  while (isBlank(*p)) ++p;
  return p;
}

void singleInstanceGuard(InstanceMode mode, HandOver handOver) {
  char absoluteExe[kPathCapacity];
  if (!absolutePath(absoluteExe, launcherPath(), PathCase::Lower)) {
    logError("no absolute launcher path for the instance semaphore");
    return;
  }
  bool global = configInt(key::GlobalInstanceNamespace) != 0;
  if (mode == InstanceMode::AsConfigured && configInt(key::SingleInstance) == 0) {
    // Held for the life of the process: its existence is this instance's number.
    createNumberedInstanceSemaphore(semaphoreName, sizeof semaphoreName, global, absoluteExe);
    return;
  }
  logLine("single instance mode");
  bool alreadyRunning = false;
  HANDLE semaphore = createInstanceSemaphore(semaphoreName, sizeof semaphoreName, global,
                                             absoluteExe, &alreadyRunning);
  if (alreadyRunning) {
    CloseHandle(semaphore);
    handOverToRunningInstance(absoluteExe, handOver);
  }
  // The semaphore stays open for the life of the process: it marks the first instance.
  writeInstancePid(absoluteExe);
  if (handOver == HandOver::Arguments) startMailslotListener();
}

}  // namespace tessel
