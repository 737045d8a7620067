// The first instance's process id, recorded per executable under the current user.
#pragma once
#include <windows.h>

namespace tessel {

// The key below HKEY_CURRENT_USER that holds one DWORD value per executable.
constexpr const char* kInstancePidKey = "SOFTWARE\\brightmoor\\tessel\\pids";

// Stores the own process id under the value name; returns the registry error code (0 = done).
LONG writeInstancePid(const char* valueName) noexcept;
// The recorded id when the value holds exactly 4 bytes, else 0 (also when the key is missing).
DWORD readInstancePid(const char* valueName) noexcept;
// True when the process is running and was started from this process's own executable (any
// spelling of its path); never for this process itself. A recorded id may be an earlier run's,
// since reused by another program.
bool isRunningInstanceOfThisExecutable(DWORD processId) noexcept;
// readInstancePid, retried `retries` times with `pauseMs` before each retry until it gives an
// id that `accept` takes; 0 when none came. Each refused id is logged once.
DWORD waitForInstancePid(const char* valueName, int retries, DWORD pauseMs,
                         bool (*accept)(DWORD) = isRunningInstanceOfThisExecutable) noexcept;

}  // namespace tessel
