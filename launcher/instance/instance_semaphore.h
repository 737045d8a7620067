// The named semaphores that announce running instances. Only their existence matters: they
// are never waited on or released, and the one an instance holds stays open for its life.
#pragma once
#include <windows.h>

#include <cstddef>

namespace tessel {

// Counting mode: creates the semaphore with the lowest free number for the executable and
// leaves its name in `name`; logs the outcome. The handle (or nullptr) is the caller's to keep.
HANDLE createNumberedInstanceSemaphore(char* name, size_t capacity, bool global,
                                       const char* absoluteExe);
// Single-instance mode: creates the unnumbered semaphore; `alreadyRunning` tells whether
// another instance holds it. Logs the outcome.
HANDLE createInstanceSemaphore(char* name, size_t capacity, bool global, const char* absoluteExe,
                               bool* alreadyRunning);

}  // namespace tessel
