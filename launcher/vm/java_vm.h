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

// Set once DestroyJavaVM has returned: from then on no thread may call into the machine.
extern std::atomic<bool> vmDestroyed;

// The calling thread's JNI environment, attaching it as a daemon when needed; nullptr while no
// machine exists or after it was destroyed.
JNIEnv* currentThreadEnv();
// Detaches the calling thread; nothing once the machine is gone.
void detachCurrentThread();
// Closes the gate of machine calls, then DestroyJavaVM (it waits for the application's
// non-daemon threads), then marks the machine gone.
void destroyVm();

// The gate of the launcher's own threads' calls into the machine (the splash's polling): a
// thread calls in only between a successful enterMachineCall and its leaveMachineCall. Once
// closed, which waits for calls under way, the gate refuses every caller: no call reaches a
// machine that shuts down.
bool enterMachineCall();
void leaveMachineCall();
void closeMachineCalls();
// Holds the gate for one scope; false when it is closed.
class MachineCall {
 public:
  MachineCall() : entered_(enterMachineCall()) {}
  ~MachineCall() {
    if (entered_) leaveMachineCall();
  }
  MachineCall(const MachineCall&) = delete;
  MachineCall& operator=(const MachineCall&) = delete;
  explicit operator bool() const { return entered_; }

 private:
  bool entered_;
};

// Clears the environment's pending exception, if any, so that the next JNI call is allowed;
// true when there was one. The describing form prints it to standard error first.
bool clearPendingException(JNIEnv* env);
bool describeAndClearPendingException(JNIEnv* env);

}  // namespace tessel
