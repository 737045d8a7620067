// The first instance's process id, recorded per executable under the current user.
#pragma once
#include <windows.h>

#include <cstddef>

namespace tessel {

// The key below HKEY_CURRENT_USER that holds one DWORD value per executable.
constexpr const char* kInstancePidKey = "SOFTWARE\\brightmoor\\tessel\\pids";

// The key below HKEY_CURRENT_USER that holds, per executable, the name of the first
// instance's mailslot after the common prefix ("<id>_<random part>"). Only that user can
// write or read it: the random part is what keeps other users' programs off the name.
constexpr const char* kInstanceChannelKey = "SOFTWARE\\brightmoor\\tessel\\mailslots";

// Stores the own process id under the value name; returns the registry error code (0 = done).
LONG writeInstancePid(const char* valueName) noexcept;
// Deletes the value when it holds this process's id (a later first instance may own it).
void forgetInstancePid(const char* valueName) noexcept;
// The recorded id when the value holds exactly 4 bytes, else 0 (also when the key is missing).
DWORD readInstancePid(const char* valueName) noexcept;
LONG writeInstanceChannel(const char* valueName, const char* channel) noexcept;
// The recorded channel (a REG_SZ value) into `out`; false when missing or too long.
bool readInstanceChannel(const char* valueName, char* out, size_t capacity) noexcept;
// True when the process is running under this process's user and was started from this
// process's own executable (any spelling of its path); never for this process itself. A recorded id may be an earlier run's,
// since reused by another program.
bool isRunningInstanceOfThisExecutable(DWORD processId) noexcept;
// readInstancePid, retried `retries` times with `pauseMs` before each retry until it gives an
// id that `accept` takes; 0 when none came. Each refused id is logged once.
DWORD waitForInstancePid(const char* valueName, int retries, DWORD pauseMs,
                         bool (*accept)(DWORD) = isRunningInstanceOfThisExecutable) noexcept;

}  // namespace tessel
