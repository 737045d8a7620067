#include "instance/fake_jni.h"

#include <windows.h>

#include <cstdarg>
#include <cstring>
#include <memory>

namespace tessel::test {
namespace {

jclass kController = reinterpret_cast<jclass>(0x1000);
jmethodID kStartupPerformed = reinterpret_cast<jmethodID>(0x2000);
std::vector<std::unique_ptr<std::string>> strings;  // jstring = pointer to one of these

void notePending(FakeJava& f) {
  if (f.pending) f.callWithPending = true;
}

jclass JNICALL findClass(JNIEnv*, const char* name) {
  FakeJava& f = fakeJava();
  std::lock_guard<std::mutex> g(f.lock);
  notePending(f);
  ++f.findClassCalls;
  if (f.classMissing || std::strcmp(name, "com/tessel/Controller") != 0) {
    f.pending = true;
    return nullptr;
  }
  return kController;
}

jmethodID JNICALL getStaticMethodID(JNIEnv*, jclass cls, const char* name, const char* sig) {
  FakeJava& f = fakeJava();
  std::lock_guard<std::mutex> g(f.lock);
  notePending(f);
  if (cls == kController && std::strcmp(name, "startupPerformed") == 0 &&
      std::strcmp(sig, "(Ljava/lang/String;)V") == 0)
    return kStartupPerformed;
  f.pending = true;
  return nullptr;
}

jstring JNICALL newString(JNIEnv*, const jchar* units, jsize count) {
  FakeJava& f = fakeJava();
  std::lock_guard<std::mutex> g(f.lock);
  notePending(f);
  std::string text;
  int bytes = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(units), count,
                                  nullptr, 0, nullptr, nullptr);
  text.resize(static_cast<size_t>(bytes));
  if (bytes > 0)
    WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(units), count, &text[0],
                        bytes, nullptr, nullptr);
  strings.push_back(std::make_unique<std::string>(text));
  return reinterpret_cast<jstring>(strings.back().get());
}

void JNICALL callStaticVoidMethodV(JNIEnv*, jclass cls, jmethodID method, va_list args) {
  FakeJava& f = fakeJava();
  std::lock_guard<std::mutex> g(f.lock);
  notePending(f);
  jstring text = va_arg(args, jstring);
  if (cls != kController || method != kStartupPerformed) return;
  f.calls.push_back(text ? *reinterpret_cast<std::string*>(text) : "<null>");
  if (f.throwFromCall) f.pending = true;
}

void JNICALL deleteLocalRef(JNIEnv*, jobject) {
  FakeJava& f = fakeJava();
  std::lock_guard<std::mutex> g(f.lock);
  ++f.deleteLocalRefs;
}

jboolean JNICALL exceptionCheck(JNIEnv*) {
  FakeJava& f = fakeJava();
  std::lock_guard<std::mutex> g(f.lock);
  return f.pending ? JNI_TRUE : JNI_FALSE;
}

void JNICALL exceptionDescribe(JNIEnv*) {
  FakeJava& f = fakeJava();
  std::lock_guard<std::mutex> g(f.lock);
  ++f.describes;
  f.pending = false;
}

void JNICALL exceptionClear(JNIEnv*) {
  FakeJava& f = fakeJava();
  std::lock_guard<std::mutex> g(f.lock);
  f.pending = false;
}

JNINativeInterface_ makeTable() {
  JNINativeInterface_ table;
  std::memset(&table, 0, sizeof table);
  table.FindClass = findClass;
  table.GetStaticMethodID = getStaticMethodID;
  table.NewString = newString;
  table.CallStaticVoidMethodV = callStaticVoidMethodV;
  table.DeleteLocalRef = deleteLocalRef;
  table.ExceptionCheck = exceptionCheck;
  table.ExceptionDescribe = exceptionDescribe;
  table.ExceptionClear = exceptionClear;
  return table;
}

jint JNICALL getEnv(JavaVM*, void** env, jint) {
  *env = nullptr;
  return JNI_EDETACHED;
}

jint JNICALL attachCurrentThread(JavaVM*, void** env, void*) {
  FakeJava& f = fakeJava();
  std::lock_guard<std::mutex> g(f.lock);
  ++f.attaches;
  *env = fakeEnv();
  return JNI_OK;
}

jint JNICALL attachCurrentThreadAsDaemon(JavaVM*, void** env, void*) {
  FakeJava& f = fakeJava();
  std::lock_guard<std::mutex> g(f.lock);
  ++f.daemonAttaches;
  *env = fakeEnv();
  return JNI_OK;
}

}  // namespace

void FakeJava::reset() {
  std::lock_guard<std::mutex> g(lock);
  calls.clear();
  findClassCalls = deleteLocalRefs = describes = attaches = daemonAttaches = 0;
  pending = classMissing = throwFromCall = callWithPending = false;
}

size_t FakeJava::callCount() {
  std::lock_guard<std::mutex> g(lock);
  return calls.size();
}

bool FakeJava::waitForCalls(size_t count, unsigned long timeoutMs) {
  for (unsigned long waited = 0; waited < timeoutMs; waited += 20) {
    if (callCount() >= count) return true;
    Sleep(20);
  }
  return callCount() >= count;
}

std::vector<std::string> FakeJava::snapshot() {
  std::lock_guard<std::mutex> g(lock);
  return calls;
}

FakeJava& fakeJava() {
  static FakeJava state;
  return state;
}

JNIEnv* fakeEnv() {
  static JNINativeInterface_ table = makeTable();
  static JNIEnv_ env{&table};
  return &env;
}

JavaVM* fakeVm() {
  static JNIInvokeInterface_ table = [] {
    JNIInvokeInterface_ t;
    std::memset(&t, 0, sizeof t);
    t.GetEnv = getEnv;
    t.AttachCurrentThread = attachCurrentThread;
    t.AttachCurrentThreadAsDaemon = attachCurrentThreadAsDaemon;
    return t;
  }();
  static JavaVM_ vm{&table};
  return &vm;
}

}  // namespace tessel::test
