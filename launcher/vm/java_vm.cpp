#include "vm/java_vm.h"

#include <windows.h>

namespace tessel {

JavaVM* javaVm = nullptr;
JNIEnv* mainEnv = nullptr;
std::atomic<bool> vmCreated{false};
std::atomic<bool> vmDestroyed{false};

namespace {
CreateJavaVmFunction createJavaVm = nullptr;
SRWLOCK machineCallLock = SRWLOCK_INIT;
bool machineCallsClosed = false;  // written under the exclusive lock

bool machineUsable() {
  return vmCreated.load(std::memory_order_acquire) && !vmDestroyed.load() && javaVm;
}
}  // namespace

void setCreateJavaVm(CreateJavaVmFunction function) { createJavaVm = function; }
CreateJavaVmFunction createJavaVmFunction() { return createJavaVm; }

JNIEnv* currentThreadEnv() {
  if (!machineUsable()) return nullptr;
  JNIEnv* env = nullptr;
  if (javaVm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_2) == JNI_OK) return env;
  // As a daemon: DestroyJavaVM waits for every other thread attached as a non-daemon, and the
  // launcher's own threads (splash, mailslot listener) must never keep the process alive.
  if (javaVm->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), nullptr) != JNI_OK)
    return nullptr;
  return env;
}

void detachCurrentThread() {
  if (machineUsable()) javaVm->DetachCurrentThread();
}

bool enterMachineCall() {
  AcquireSRWLockShared(&machineCallLock);
  if (!machineCallsClosed) return true;
  ReleaseSRWLockShared(&machineCallLock);
  return false;
}

void leaveMachineCall() { ReleaseSRWLockShared(&machineCallLock); }

void closeMachineCalls() {
  AcquireSRWLockExclusive(&machineCallLock);
  machineCallsClosed = true;
  ReleaseSRWLockExclusive(&machineCallLock);
}

void destroyVm() {
  if (!machineUsable()) return;
  // DestroyJavaVM shuts the machine down once the application's threads have ended; a daemon
  // thread of ours calling in meanwhile would block for ever or worse.
  closeMachineCalls();
  javaVm->DestroyJavaVM();
  vmDestroyed.store(true);
}

bool clearPendingException(JNIEnv* env) {
  if (!env->ExceptionCheck()) return false;
  env->ExceptionClear();
  return true;
}

bool describeAndClearPendingException(JNIEnv* env) {
  if (!env->ExceptionCheck()) return false;
  env->ExceptionDescribe();
  env->ExceptionClear();
  return true;
}

}  // namespace tessel
