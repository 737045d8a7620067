#include "instance/instance_semaphore.h"

#include "diagnostics/log.h"
#include "instance/instance_names.h"

namespace tessel {
namespace {

void logSemaphore(const char* name, DWORD error, HANDLE semaphore) {
  logLine("semaphore name %s, code %d, value %p", name, static_cast<int>(error),
          static_cast<void*>(semaphore));
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
  instanceSemaphoreNameFor(name, capacity, global, absoluteExe, number);
  HANDLE semaphore = CreateSemaphoreA(nullptr, 1, 1, name);
  DWORD error = GetLastError();
  while (error == ERROR_ALREADY_EXISTS && number < kLastInstanceNumber) {
    CloseHandle(semaphore);
    ++number;
    instanceSemaphoreNameFor(name, capacity, global, absoluteExe, number);
    semaphore = CreateSemaphoreA(nullptr, 1, 1, name);
    error = GetLastError();
  }
  logSemaphore(name, error, semaphore);
  return semaphore;
}

HANDLE createInstanceSemaphore(char* name, size_t capacity, bool global, const char* absoluteExe,
                               bool* alreadyRunning) {
  *alreadyRunning = false;
  if (!instanceSemaphoreNameFor(name, capacity, global, absoluteExe, -1)) {
    logError("semaphore name too long");
    return nullptr;
  }
  HANDLE semaphore = CreateSemaphoreA(nullptr, 1, 1, name);
  DWORD error = GetLastError();
  logSemaphore(name, error, semaphore);
  *alreadyRunning = semaphore && error == ERROR_ALREADY_EXISTS;
  return semaphore;
}

}  // namespace tessel
