#include "instance/instance_semaphore.h"

#include <cstring>

#include "diagnostics/log.h"
#include "instance/instance_names.h"
#include "util/handles.h"

namespace tessel {
namespace {

void logSemaphore(const char* name, DWORD error, HANDLE semaphore) {
  logLine("semaphore name %s, code %d, value %p", name, static_cast<int>(error),
          static_cast<void*>(semaphore));
}

void logShortened(bool shortened, const char* absoluteExe) {
  if (shortened)
    logLine("executable path too long for an object name (%d characters): short form used for %s",
            static_cast<int>(std::strlen(absoluteExe)), absoluteExe);
}

// A name that was never made must not be reported as this instance's.
HANDLE keptOrForgotten(HANDLE semaphore, DWORD error, char* name) {
  if (semaphore) return semaphore;
  logError("could not create the semaphore %s (%d)", name, static_cast<int>(error));
  name[0] = 0;
  return nullptr;
}

}  // namespace

HANDLE createNumberedInstanceSemaphore(char* name, size_t capacity, bool global,
                                       const char* absoluteExe) {
  // Names too long for the buffer would all be cut alike; refuse rather than share one.
  if (!instanceSemaphoreNameFor(name, capacity, global, absoluteExe, kLastInstanceNumber)) {
    logError("semaphore name too long");
    return nullptr;
  }
  int number = 0;
  bool shortened = false;
  instanceSemaphoreNameFor(name, capacity, global, absoluteExe, number, &shortened);
  logShortened(shortened, absoluteExe);
  unique_handle semaphore(CreateSemaphoreA(nullptr, 1, 1, name));
  DWORD error = GetLastError();
  while (error == ERROR_ALREADY_EXISTS && number < kLastInstanceNumber) {
    ++number;
    instanceSemaphoreNameFor(name, capacity, global, absoluteExe, number);
    HANDLE next = CreateSemaphoreA(nullptr, 1, 1, name);
    error = GetLastError();  // before the previous number's handle is closed
    semaphore.reset(next);
  }
  logSemaphore(name, error, semaphore.get());
  return keptOrForgotten(semaphore.release(), error, name);
}

HANDLE createInstanceSemaphore(char* name, size_t capacity, bool global, const char* absoluteExe,
                               bool* alreadyRunning) {
  *alreadyRunning = false;
  bool shortened = false;
  if (!instanceSemaphoreNameFor(name, capacity, global, absoluteExe, -1, &shortened)) {
    logError("semaphore name too long");
    return nullptr;
  }
  logShortened(shortened, absoluteExe);
  HANDLE semaphore = CreateSemaphoreA(nullptr, 1, 1, name);
  DWORD error = GetLastError();
  logSemaphore(name, error, semaphore);
  *alreadyRunning = semaphore && error == ERROR_ALREADY_EXISTS;
  return keptOrForgotten(semaphore, error, name);
}

}  // namespace tessel
