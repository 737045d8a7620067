// The virtual machine of the process: its creation entry point, its handles, and JNI
// environments for the launcher's other threads.
#pragma once
#include <jni.h>

#include <atomic>

namespace tessel {

using CreateJavaVmFunction = jint(JNICALL*)(JavaVM**, void**, void*);

// Handed over by the runtime search once jvm.dll is loaded.
void setCreateJavaVm(CreateJavaVmFunction function);
CreateJavaVmFunction createJavaVmFunction();

extern JavaVM* javaVm;
extern JNIEnv* mainEnv;
// Set (release) after javaVm is written; other threads read it with acquire.
extern std::atomic<bool> vmCreated;

// The calling thread's JNI environment, attaching the thread when needed; nullptr while no
// machine exists.
JNIEnv* currentThreadEnv();
void detachCurrentThread();

}  // namespace tessel
