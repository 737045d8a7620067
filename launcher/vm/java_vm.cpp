#include "vm/java_vm.h"

namespace tessel {

JavaVM* javaVm = nullptr;
JNIEnv* mainEnv = nullptr;
std::atomic<bool> vmCreated{false};

namespace {
CreateJavaVmFunction createJavaVm = nullptr;
}

void setCreateJavaVm(CreateJavaVmFunction function) { createJavaVm = function; }
CreateJavaVmFunction createJavaVmFunction() { return createJavaVm; }

JNIEnv* currentThreadEnv() {
  if (!vmCreated.load(std::memory_order_acquire) || !javaVm) return nullptr;
  JNIEnv* env = nullptr;
  if (javaVm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_2) == JNI_OK) return env;
  if (javaVm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) return nullptr;
  return env;
}

void detachCurrentThread() {
  if (vmCreated.load(std::memory_order_acquire) && javaVm) javaVm->DetachCurrentThread();
}

}  // namespace tessel
