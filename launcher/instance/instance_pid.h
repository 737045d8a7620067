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
// readInstancePid, retried `retries` times with `pauseMs` before each retry while it gives 0.
DWORD waitForInstancePid(const char* valueName, int retries, DWORD pauseMs) noexcept;

}  // namespace tessel
