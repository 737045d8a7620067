// A JNI environment and JavaVM that record what the mailslot listener does with the
// controller class, for tests without a Java runtime.
#pragma once
#include <jni.h>

#include <mutex>
#include <string>
#include <vector>

namespace tessel::test {

struct FakeJava {
  std::mutex lock;
  std::vector<std::string> calls;  // each startupPerformed argument in UTF-8, or "<null>"
  int findClassCalls = 0;
  int deleteLocalRefs = 0;
  int describes = 0;
  int attaches = 0;         // AttachCurrentThread
  int daemonAttaches = 0;   // AttachCurrentThreadAsDaemon
  bool pending = false;           // an exception is pending
  bool classMissing = false;      // FindClass fails (and leaves an exception pending)
  bool throwFromCall = false;     // startupPerformed throws
  bool callWithPending = false;   // a JNI call ran while an exception was pending

  void reset();
  size_t callCount();
  // True once at least `count` calls arrived; polls for at most `timeoutMs`.
  bool waitForCalls(size_t count, unsigned long timeoutMs);
  std::vector<std::string> snapshot();
};

// The fake's environment and machine; both record into `fakeJava()`.
FakeJava& fakeJava();
JNIEnv* fakeEnv();
JavaVM* fakeVm();

}  // namespace tessel::test
