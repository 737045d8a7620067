#include "restart/restart_chain.h"

#include <windows.h>
#include <psapi.h>

#include <cwchar>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/log.h"
#include "instance/instance_guard.h"
#include "util/bounded_text.h"
#include "util/child_process.h"
#include "util/handles.h"
#include "vm/start_outcome.h"

namespace tessel {
namespace {

// What a start inherits from the process that made it; removed from the environment at once.
constexpr wchar_t kCountVariable[] = L"TESSEL_RESTART_COUNT";
constexpr wchar_t kReportVariable[] = L"TESSEL_RESTART_REPORT";

// The block a started process writes and its starter reads after it ended.
struct StartReport {
  volatile LONG phase;  // StartPhase
  volatile LONG code;
};

constexpr DWORD kDirectoryCapacity = MAX_PATH * 4;
wchar_t startingDirectory[kDirectoryCapacity];  // empty: the one the system gives
StartReport* report = nullptr;  // set in a start that someone waits for
RestartPolicy policy;
void (*restartHook)() = nullptr;

// The variable's value, then removed; false when it is unset or too long to be ours.
bool takeVariable(const wchar_t* name, wchar_t (&value)[24]) {
  DWORD n = GetEnvironmentVariableW(name, value, 24);
  if (n == 0 || n >= 24) return false;
  SetEnvironmentVariableW(name, nullptr);
  return true;
}

void writeReport(StartPhase phase, uint32_t code) {
  if (!report) return;
  InterlockedExchange(&report->code, static_cast<LONG>(code));
  InterlockedExchange(&report->phase, static_cast<LONG>(phase));
}

// "3,4", or "none"; each code is no longer than its configured text, which fits in 256 bytes.
void codeList(const RestartPolicy& p, char* out, size_t capacity) {
  out[0] = 0;
  for (int32_t code : p.exitCodes) {
    char item[16];
    formatText(item, sizeof item, out[0] ? ",%d" : "%d", static_cast<int>(code));
    appendText(out, capacity, item);
  }
  if (!out[0]) copyText(out, capacity, "none");
}

[[noreturn]] void endWaiting(uint32_t code) {
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
    logLine("waiting process: peak working set %lu KB, ends with %lu",
            static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024), static_cast<unsigned long>(code));
  ExitProcess(code);
}

// Starts, waits and decides until a start ends without a restart; ends the process with the
// last start's exit code. `restartsInRow` restarts have happened before the next start.
[[noreturn]] void superviseStarts(int32_t restartsInRow, uint32_t lastCode) {
  for (;;) {
    if (restartsInRow > 0) {
      uint32_t delay = restartDelayMs(policy.delayMs, restartsInRow);
      logLine("restart %d of at most %d after exit code %lu, in %lu ms", static_cast<int>(restartsInRow),
              static_cast<int>(policy.maxRestarts), static_cast<unsigned long>(lastCode),
              static_cast<unsigned long>(delay));
      if (delay) Sleep(delay);
    }
    StartResult result;
    if (!startAgainAndWait(restartsInRow, result)) endWaiting(lastCode);
    lastCode = result.exitCode;
    // A start that ran a while ends the row: the bound is for loops, not for a long life.
    if (result.ranMs >= kSettledRunMs) restartsInRow = 0;
    RestartVerdict verdict = decideRestart(policy, result.end, result.exitCode, restartsInRow);
    logLine("start ended with exit code %lu after %lu ms: %s", static_cast<unsigned long>(result.exitCode),
            static_cast<unsigned long>(result.ranMs), restartVerdictText(verdict));
    if (verdict != RestartVerdict::Restart) endWaiting(result.exitCode);
    ++restartsInRow;
  }
}

// In a process that ran the application itself: its end may start it again.
void onOwnEnd(StartPhase phase, uint32_t code) {
  writeReport(phase, code);
  if (phase != StartPhase::Ended || report) return;  // a supervised start: its starter decides
  int32_t row = restartCount();
  RestartVerdict verdict = decideRestart(policy, StartEnd::Ended, code, row);
  logLine("application ended with exit code %lu: %s", static_cast<unsigned long>(code),
          restartVerdictText(verdict));
  if (verdict != RestartVerdict::Restart) return;
  if (restartHook) restartHook();
  // The new start must become the instance, never hand its arguments to this one.
  releaseInstanceObjects();
  superviseStarts(row + 1, code);
}

}  // namespace

void rememberStartingPoint() {
  DWORD n = GetCurrentDirectoryW(kDirectoryCapacity, startingDirectory);
  if (n == 0 || n >= kDirectoryCapacity) startingDirectory[0] = 0;
  wchar_t count[24];
  wchar_t block[24];
  bool counted = takeVariable(kCountVariable, count);
  bool supervised = takeVariable(kReportVariable, block);
  if (counted) setRestartCount(static_cast<int32_t>(std::wcstol(count, nullptr, 10)));
  if (!supervised) return;
  HANDLE mapping = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(_wcstoui64(block, nullptr, 10)));
  // A number that names no mapping of ours maps nothing, and the start runs unsupervised.
  void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(StartReport));
  report = static_cast<StartReport*>(view);
}

RestartPolicy configuredRestartPolicy() {
  RestartPolicy p;
  char codes[256];
  configString(key::RestartExitCodes, codes, sizeof codes);
  if (!parseExitCodes(codes, p.exitCodes)) {
    logError("restart_exit_codes \"%s\" is not a list of exit codes; no restart on exit codes", codes);
    p.exitCodes.clear();
  }
  p.maxRestarts = configValue(key::MaxRestarts) ? configInt(key::MaxRestarts) : 3;
  p.onCrash = configInt(key::RestartOnCrash) != 0;
  p.delayMs = configInt(key::RestartDelayMs);
  return p;
}

void applyRestartPolicy(void (*beforeRestart)()) {
  policy = configuredRestartPolicy();
  restartHook = beforeRestart;
  if (!policy.any() && !report) return;
  char codes[512];
  codeList(policy, codes, sizeof codes);
  logLine("restart policy: exit codes %s, at most %d restarts, on crash %d, delay %d ms; this is restart %d%s",
          codes, static_cast<int>(policy.maxRestarts), policy.onCrash ? 1 : 0,
          static_cast<int>(policy.delayMs), static_cast<int>(restartCount()), report ? ", supervised" : "");
  if (policy.onCrash && !report) {
    logLine("supervising the application's starts");
    superviseStarts(0, 0);
  }
  setStartOutcomeHandler(onOwnEnd);
  writeReport(StartPhase::Starting, 0);
}

bool startAgainAndWait(int32_t restart, StartResult& result) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  unique_handle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0,
                                           sizeof(StartReport), nullptr));
  StartReport* block = mapping ? static_cast<StartReport*>(
                                     MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(StartReport)))
                               : nullptr;
  if (!block) {
    DWORD error = GetLastError();
    logError("no report block for the next start (error %lu)", static_cast<unsigned long>(error));
    return false;
  }
  block->phase = static_cast<LONG>(StartPhase::Starting);
  block->code = 0;
  wchar_t exe[kDirectoryCapacity];
  DWORD n = GetModuleFileNameW(nullptr, exe, kDirectoryCapacity);
  // The command line as this start got it, never re-quoted: the next start reads it the same.
  static wchar_t commandLine[kCommandLineCapacity];
  bool named = n > 0 && n < kDirectoryCapacity &&
               copyWhole(commandLine, kCommandLineCapacity, GetCommandLineW());
  wchar_t number[24];
  formatText(number, 24, L"%d", static_cast<int>(restart));
  SetEnvironmentVariableW(kCountVariable, number);
  formatText(number, 24, L"%I64u", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(mapping.get())));
  SetEnvironmentVariableW(kReportVariable, number);
  ChildStart how;
  how.directory = startingDirectory[0] ? startingDirectory : nullptr;
  how.priorityClass = 0;  // a start made at low priority restarts at low priority
  ChildProcess child;
  DWORD started = GetTickCount();
  DWORD error = ERROR_FILENAME_EXCED_RANGE;
  bool ok = named && startChild(exe, commandLine, how, child, error);
  SetEnvironmentVariableW(kCountVariable, nullptr);
  SetEnvironmentVariableW(kReportVariable, nullptr);
  if (!ok) {
    logError("could not start %S again (error %lu)", exe, static_cast<unsigned long>(error));
    UnmapViewOfFile(block);
    return false;
  }
  logLine("start %d is process %lu", static_cast<int>(restart), static_cast<unsigned long>(child.id));
  DWORD code = 0;
  waitForChild(child, INFINITE, code);
  result.exitCode = code;
  result.ranMs = GetTickCount() - started;
  switch (static_cast<StartPhase>(block->phase)) {
    case StartPhase::Running: result.end = StartEnd::Crashed; break;
    case StartPhase::Ended: result.end = StartEnd::Ended; break;
    default: result.end = StartEnd::FailedStart; break;
  }
  UnmapViewOfFile(block);
  return true;
}

}  // namespace tessel
