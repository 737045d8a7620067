#include "instance/instance_guard.h"

#include <windows.h>

#include <cwchar>

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
// Kept open for the life of the process (its existence marks this instance) unless released.
HANDLE heldSemaphore = nullptr;
char recordedPidName[kPathCapacity];

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// A later start whose arguments reached no one says so: the user who double-clicked a
// document would otherwise see nothing happen at all.
[[noreturn]] void reportHandOverFailed() {
  logError("the arguments were not handed to a running instance");
  wchar_t name[kPathCapacity];
  copyText(name, kPathCapacity, launcherPathW());
  wchar_t* base = name;
  for (wchar_t* p = name; *p; ++p)
    if (*p == L'\\' || *p == L'/') base = p + 1;
  size_t length = std::wcslen(base);
  if (length > 4 && CompareStringOrdinal(base + length - 4, 4, L".exe", 4, TRUE) == CSTR_EQUAL)
    base[length - 4] = 0;
  wchar_t text[kPathCapacity];
  formatText(text, kPathCapacity,
             L"%ls is already running, but the running instance could not be reached: what "
             L"you asked it to open was not handed to it. Close %ls and try again.",
             base, base);
  showErrorW(text);
  fatalExit(kHandOverFailedExitCode);
}

[[noreturn]] void handOverToRunningInstance(const char* absoluteExe, HandOver handOver) {
  // The first instance writes its id just after creating the semaphore.
  DWORD pid = waitForInstancePid(absoluteExe, kPidRetries, kPidPauseMs);
  logLine("other pid %d", static_cast<int>(pid));
  if (pid != 0 && configInt(key::ActivateRunningInstance)) activateProcessWindows(pid, true);
  if (handOver == HandOver::Arguments &&
      (pid == 0 ||
       !sendToRunningInstance(pid, secondStartArguments(GetCommandLineW()), absoluteExe)))
    reportHandOverFailed();
  logLine("exiting");
  fatalExit(0);
}

// The mailslot under a fresh random name, recorded for later starts once it exists. A name
// that exists already is someone else's: never listened on, a new one is drawn.
void startMailslotListener(const char* absoluteExe) {
  char token[kChannelTokenLength + 1];
  char name[kMailslotNameCapacity];
  HANDLE mailslot = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 3 && mailslot == INVALID_HANDLE_VALUE; ++attempt) {
    if (!makeChannelToken(token, sizeof token)) {
      logError("no random mailslot name (last error %d)", static_cast<int>(GetLastError()));
      break;
    }
    mailslotName(GetCurrentProcessId(), name, sizeof name, token);
    mailslot = createPrivateMailslot(name);
    if (mailslot == INVALID_HANDLE_VALUE && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  if (mailslot == INVALID_HANDLE_VALUE) {
    logLine("creating mailslot failed");
    return;
  }
  char channel[kMailslotNameCapacity];
  formatText(channel, sizeof channel, "%lu_%s", static_cast<unsigned long>(GetCurrentProcessId()),
             token);
  LONG status = writeInstanceChannel(absoluteExe, channel);
  if (status != ERROR_SUCCESS) {
    logError("recording the mailslot failed %d", static_cast<int>(status));
    CloseHandle(mailslot);
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

void releaseInstanceObjects() {
  // The id first: a later start that still finds the semaphore then waits for the new id
  // instead of handing its arguments to this ending process.
  if (recordedPidName[0]) {
    forgetInstancePid(recordedPidName);
    recordedPidName[0] = 0;
  }
  if (heldSemaphore) {
    CloseHandle(heldSemaphore);
    heldSemaphore = nullptr;
    logLine("released the instance semaphore %s", semaphoreName);
  }
}

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
    heldSemaphore =
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
  heldSemaphore = semaphore;
  if (writeInstancePid(absoluteExe) == ERROR_SUCCESS) copyText(recordedPidName, sizeof recordedPidName, absoluteExe);
  if (handOver == HandOver::Arguments) startMailslotListener(absoluteExe);
}

}  // namespace tessel
