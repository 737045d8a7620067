#include "vm/java_vm.h"

namespace tessel {

JavaVM* javaVm = nullptr;
JNIEnv* mainEnv = nullptr;
std::atomic<bool> vmCreated{false};
std::atomic<bool> vmDestroyed{false};

namespace {
CreateJavaVmFunction createJavaVm = nullptr;

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

void destroyVm() {
  if (!machineUsable()) return;
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
