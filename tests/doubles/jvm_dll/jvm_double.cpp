// A stand-in for a runtime's jvm.dll: JNI_CreateJavaVM hands out function tables that serve
// the calls the launcher makes and record them (record.h). Every other slot of the tables
// reports "unexpected call N" and ends the process, so a new JNI use is noticed at once.
#include <windows.h>
#include <psapi.h>

#include <jni.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "real_java.h"
#include "record.h"

using namespace jvmdouble;

namespace {

struct Object {
  enum Kind { Class, String, Array, Throwable } kind;
  std::string name;  // class name (slash form), array element class, throwable class
  std::u16string text;  // string contents, throwable message
  std::vector<Object*> elements;
  std::string utf;  // GetStringUTFChars result, kept while the object lives
  bool printed = false;  // a throwable whose trace the real runtime has already printed
  bool hasMessage = true;  // a throwable's getMessage is not null
};
struct Method {
  Object* owner;
  std::string name;
  std::string signature;
};

// Objects are never freed: the double lives as long as one launch.
Object* newObject(Object::Kind kind, std::string name) { return new Object{kind, std::move(name), {}, {}, {}, false, true}; }
Object* as(void* handle) { return static_cast<Object*>(handle); }

thread_local Object* pending = nullptr;
// WinLauncher.startFailure as the real runtime left it (-1: none reported; scripted instead).
int startFailure = -1;
thread_local bool attached = false;
// Like a real runtime, DestroyJavaVM waits for every thread attached as a non-daemon.
std::mutex threadLock;
std::condition_variable threadDetached;
std::set<DWORD> nonDaemonThreads;
std::atomic<bool> destroyed{false};
std::vector<std::string> createOptions;
void(JNICALL* exitHook)(jint) = nullptr;
JNIInvokeInterface_ invokeTable;
JNINativeInterface_ nativeTable;
JavaVM vmObject;
JNIEnv envObject;

// A real runtime blocks a thread that calls in after DestroyJavaVM; so does the double, after
// saying so in the record.
void blockAfterDestroy(const char* call) {
  if (!destroyed.load()) return;
  record("%s after DestroyJavaVM", call);
  for (;;) Sleep(INFINITE);
}

// Waits until no thread other than the caller is attached as a non-daemon. A real runtime waits
// for ever; the double gives up after TESSEL_JVM_DESTROY_LIMIT_MS (default 20 s), says so and
// ends the process with exit code 98, so that a test fails instead of hanging.
void awaitOtherNonDaemons(const char* who) {
  std::string limitText = environment("TESSEL_JVM_DESTROY_LIMIT_MS");
  DWORD limit = limitText.empty() ? 20000 : static_cast<DWORD>(std::atoi(limitText.c_str()));
  DWORD self = GetCurrentThreadId();
  std::unique_lock<std::mutex> guard(threadLock);
  auto othersDetached = [&] {
    return nonDaemonThreads.empty() || (nonDaemonThreads.size() == 1 && nonDaemonThreads.count(self));
  };
  if (!threadDetached.wait_for(guard, std::chrono::milliseconds(limit), othersDetached)) {
    guard.unlock();
    record("%s: non-daemon thread still attached", who);
    std::fprintf(stderr, "jvm.dll double: %s: non-daemon thread still attached after %lu ms\n",
                 who, static_cast<unsigned long>(limit));
    std::fflush(stderr);
    ExitProcess(98);
  }
}

std::string quoted(Object* o) {
  if (!o) return "null";
  if (o->kind == Object::String) return "\"" + toUtf8(o->text) + "\"";
  if (o->kind == Object::Class) return "class " + o->name;
  if (o->kind == Object::Throwable) return "throwable " + o->name;
  std::string out = "[";
  for (size_t i = 0; i < o->elements.size(); ++i) out += (i ? ", " : "") + quoted(o->elements[i]);
  return out + "]";
}

// The arguments of a call, formatted by the method's signature.
std::string formatArguments(const std::string& signature, va_list args) {
  std::string out;
  for (size_t i = 1; i < signature.size() && signature[i] != ')'; ++i) {
    if (!out.empty()) out += ", ";
    char c = signature[i];
    if (c == 'L' || c == '[') {
      while (signature[i] == '[') ++i;
      if (signature[i] == 'L') i = signature.find(';', i);
      out += quoted(as(va_arg(args, jobject)));
    } else if (c == 'J') {
      out += std::to_string(va_arg(args, long long));
    } else if (c == 'F' || c == 'D') {
      out += std::to_string(va_arg(args, double));
    } else {
      out += std::to_string(va_arg(args, int));
    }
  }
  return out;
}

void throwNew(const char* className, const std::string& message) {
  Object* t = newObject(Object::Throwable, className);
  t->text.assign(message.begin(), message.end());
  pending = t;
}

long long microsecondsSinceStart() {
  FILETIME created, exited, kernel, user, now;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimePreciseAsFileTime(&now);
  auto ticks = [](FILETIME t) { return (static_cast<long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return (ticks(now) - ticks(created)) / 10;
}

// The application's first window: shown, and served for `milliseconds`.
void showApplicationWindow(int milliseconds) {
  HWND window = CreateWindowExA(0, "STATIC", "double application", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                20, 20, 240, 120, nullptr, nullptr, nullptr, nullptr);
  if (window && environment("TESSEL_JVM_MAIN_WINDOW_MINIMISED") == "1") ShowWindow(window, SW_SHOWMINIMIZED);
  record("application window %s", window ? "shown" : "not created");
  DWORD start = GetTickCount();
  while (GetTickCount() - start < static_cast<DWORD>(milliseconds)) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(10);
  }
  if (window) DestroyWindow(window);
}

// TESSEL_JVM_CHECK_FILES names files (";"-separated) of the launcher's per-launch directory
// that the application uses: each is recorded as present with its size, or as missing.
void checkLaunchFiles() {
  std::string names = environment("TESSEL_JVM_CHECK_FILES");
  if (names.empty()) return;
  const std::string prefix = "-Dtessel.tempDir=";
  std::string dir;
  for (const std::string& option : createOptions)
    if (option.compare(0, prefix.size(), prefix) == 0) dir = option.substr(prefix.size());
  size_t start = 0;
  while (start <= names.size()) {
    size_t end = names.find(';', start);
    if (end == std::string::npos) end = names.size();
    std::string name = names.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA((dir + "\\" + name).c_str(), GetFileExInfoStandard, &data))
      record("temp file %s present %lu", name.c_str(), static_cast<unsigned long>(data.nFileSizeLow));
    else
      record("temp file %s missing", name.c_str());
  }
}

// Counted by asking each possible handle value: GetProcessHandleCount reports 0 under Wine.
unsigned long processHandleCount() {
  unsigned long count = 0;
  for (uintptr_t value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// Main waits until the file exists (at most three minutes), so that a test can keep many
// applications running at once and then let them go together.
void waitForFile(const std::string& path) {
  if (path.empty()) return;
  for (int i = 0; i < 3600 && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
    Sleep(50);
}

// TESSEL_JVM_MAIN_ENDS (record.h): the entry for this start.
void scriptedEnd() {
  std::string ends = environment("TESSEL_JVM_MAIN_ENDS");
  if (ends.empty()) return;
  size_t start = 0;
  for (const std::string& option : createOptions)
    if (option.compare(0, 22, "-Dtessel.restartCount=") == 0) start = std::strtoul(option.c_str() + 22, nullptr, 10);
  std::string entry;
  size_t from = 0;
  for (size_t i = 0; i <= start; ++i) {
    size_t comma = ends.find(',', from);
    entry = ends.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  record("start %u ends by %s", static_cast<unsigned>(start), entry.c_str());
  if (entry == "crash") crashAsRuntime();
  if (entry != "return") exitAsRuntime(std::atoi(entry.c_str()));
}

void runMain(Method* m, Object* arguments) {
  record("main called after %I64d us", microsecondsSinceStart());
  if (arguments && arguments->kind == Object::Array)
    for (size_t i = 0; i < arguments->elements.size(); ++i)
      record("main arg %d: %s", static_cast<int>(i), quoted(arguments->elements[i]).c_str());
  record("handles at main %lu", processHandleCount());
  waitForFile(environment("TESSEL_JVM_MAIN_WAIT_FILE"));
  int sleep = std::atoi(environment("TESSEL_JVM_MAIN_SLEEP_MS").c_str());
  std::string windowAfter = environment("TESSEL_JVM_MAIN_WINDOW_MS");
  if (!windowAfter.empty()) {
    int delay = std::atoi(windowAfter.c_str());
    Sleep(static_cast<DWORD>(delay));
    showApplicationWindow(sleep > delay ? sleep - delay : 0);
  } else if (sleep > 0) {
    Sleep(static_cast<DWORD>(sleep));
  }
  checkLaunchFiles();
  scriptedEnd();
  if (environment("TESSEL_JVM_REAL") == "1") {
    std::vector<std::u16string> texts;
    if (arguments)
      for (Object* e : arguments->elements) texts.push_back(e ? e->text : std::u16string());
    std::string dotted = m->owner->name;
    for (char& c : dotted)
      if (c == '/') c = '.';
    RealJavaFailure failure;
    if (!runInRealJava(createOptions, dotted, texts, failure)) {
      if (failure.className.empty()) {
        throwNew("java.lang.Throwable", "main of the real runtime ended with an exception");
      } else {
        throwNew(failure.className.c_str(), "");
        pending->text = failure.message;
        pending->hasMessage = failure.hasMessage;
      }
      pending->printed = true;
      startFailure = failure.startFailure;
    }
  }
}

// Every static call: recorded, scripted result, optional scripted exception.
std::string callStatic(jmethodID id, va_list args, char kind) {
  blockAfterDestroy("a static call");
  Method* m = reinterpret_cast<Method*>(id);
  std::string qualified = m->owner->name + "." + m->name;
  va_list copy;
  va_copy(copy, args);
  record("call %s%s (%s)", qualified.c_str(), m->signature.c_str(),
         formatArguments(m->signature, copy).c_str());
  va_end(copy);
  if (m->name == "main" && m->signature == "([Ljava/lang/String;)V") runMain(m, as(va_arg(args, jobject)));
  // The runtime library's wait for the application's threads, as DestroyJavaVM waits.
  if (m->name == "awaitApplicationThreads") awaitOtherNonDaemons(qualified.c_str());
  std::string value;
  bool scripted = scriptedValue(qualified, value);
  if (listed("TESSEL_JVM_THROWS", qualified)) throwNew("java.lang.RuntimeException", "scripted failure in " + qualified);
  if (!scripted) return kind == 'L' ? "null" : "0";
  record("returns %s", value.c_str());
  return value;
}

// --- JNIEnv functions --------------------------------------------------------------------
jint JNICALL getVersion(JNIEnv*) { return JNI_VERSION_1_8; }

jclass JNICALL findClass(JNIEnv*, const char* name) {
  bool missing = listed("TESSEL_JVM_MISSING", name);
  record("FindClass %s%s", name, missing ? " -> missing" : "");
  if (missing) {
    throwNew("java.lang.NoClassDefFoundError", name);
    return nullptr;
  }
  return reinterpret_cast<jclass>(newObject(Object::Class, name));
}

jmethodID JNICALL getStaticMethodId(JNIEnv*, jclass cls, const char* name, const char* sig) {
  std::string qualified = as(cls)->name + "." + name;
  bool missing = listed("TESSEL_JVM_MISSING", qualified);
  record("GetStaticMethodID %s %s %s%s", as(cls)->name.c_str(), name, sig, missing ? " -> missing" : "");
  if (missing) {
    throwNew("java.lang.NoSuchMethodError", name);
    return nullptr;
  }
  return reinterpret_cast<jmethodID>(new Method{as(cls), name, sig});
}

void JNICALL callStaticVoidMethodV(JNIEnv*, jclass, jmethodID id, va_list args) { callStatic(id, args, 'V'); }
void JNICALL callStaticVoidMethod(JNIEnv* env, jclass cls, jmethodID id, ...) {
  va_list args;
  va_start(args, id);
  callStaticVoidMethodV(env, cls, id, args);
  va_end(args);
}
jboolean JNICALL callStaticBooleanMethodV(JNIEnv*, jclass, jmethodID id, va_list args) {
  std::string v = callStatic(id, args, 'Z');
  return (v == "true" || v == "1") ? JNI_TRUE : JNI_FALSE;
}
jboolean JNICALL callStaticBooleanMethod(JNIEnv* env, jclass cls, jmethodID id, ...) {
  va_list args;
  va_start(args, id);
  jboolean r = callStaticBooleanMethodV(env, cls, id, args);
  va_end(args);
  return r;
}
jint JNICALL callStaticIntMethodV(JNIEnv*, jclass, jmethodID id, va_list args) {
  return std::atoi(callStatic(id, args, 'I').c_str());
}
jint JNICALL callStaticIntMethod(JNIEnv* env, jclass cls, jmethodID id, ...) {
  va_list args;
  va_start(args, id);
  jint r = callStaticIntMethodV(env, cls, id, args);
  va_end(args);
  return r;
}
jobject JNICALL callStaticObjectMethodV(JNIEnv*, jclass, jmethodID id, va_list args) {
  std::string v = callStatic(id, args, 'L');
  if (v == "null") return nullptr;
  Object* s = newObject(Object::String, "java/lang/String");
  int n = MultiByteToWideChar(CP_UTF8, 0, v.c_str(), static_cast<int>(v.size()), nullptr, 0);
  s->text.resize(static_cast<size_t>(n));
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, v.c_str(), static_cast<int>(v.size()), reinterpret_cast<wchar_t*>(&s->text[0]), n);
  return reinterpret_cast<jobject>(s);
}
jobject JNICALL callStaticObjectMethod(JNIEnv* env, jclass cls, jmethodID id, ...) {
  va_list args;
  va_start(args, id);
  jobject r = callStaticObjectMethodV(env, cls, id, args);
  va_end(args);
  return r;
}

// Instance methods: the two a launcher asks of an exception (its class's name, its message).
jmethodID JNICALL getMethodId(JNIEnv*, jclass cls, const char* name, const char* sig) {
  record("GetMethodID %s %s %s", as(cls)->name.c_str(), name, sig);
  return reinterpret_cast<jmethodID>(new Method{as(cls), name, sig});
}
jclass JNICALL getObjectClass(JNIEnv*, jobject o) {
  record("GetObjectClass %s", quoted(as(o)).c_str());
  std::string name = as(o)->name;
  for (char& c : name)
    if (c == '.') c = '/';
  return reinterpret_cast<jclass>(newObject(Object::Class, name));
}
jobject JNICALL callObjectMethodV(JNIEnv*, jobject target, jmethodID id, va_list) {
  Method* m = reinterpret_cast<Method*>(id);
  Object* o = as(target);
  record("call %s.%s on %s", m->owner->name.c_str(), m->name.c_str(), quoted(o).c_str());
  Object* s = newObject(Object::String, "java/lang/String");
  if (m->name == "getName" && o->kind == Object::Class) {
    std::string dotted = o->name;
    for (char& c : dotted)
      if (c == '/') c = '.';
    s->text.assign(dotted.begin(), dotted.end());
  } else if (m->name == "getMessage" && o->kind == Object::Throwable) {
    if (!o->hasMessage) return nullptr;
    s->text = o->text;
  } else {
    unexpectedCall(-2);
  }
  return reinterpret_cast<jobject>(s);
}
jobject JNICALL callObjectMethod(JNIEnv* env, jobject target, jmethodID id, ...) {
  va_list args;
  va_start(args, id);
  jobject r = callObjectMethodV(env, target, id, args);
  va_end(args);
  return r;
}

// Static fields: absent when listed in TESSEL_JVM_MISSING ("com/x/Y.field"); an int field's
// value is the real runtime's report or scripted like a method's result.
jfieldID JNICALL getStaticFieldId(JNIEnv*, jclass cls, const char* name, const char* sig) {
  std::string qualified = as(cls)->name + "." + name;
  bool missing = listed("TESSEL_JVM_MISSING", qualified);
  record("GetStaticFieldID %s %s %s%s", as(cls)->name.c_str(), name, sig, missing ? " -> missing" : "");
  if (missing) {
    throwNew("java.lang.NoSuchFieldError", name);
    return nullptr;
  }
  return reinterpret_cast<jfieldID>(new Method{as(cls), name, sig});
}
jint JNICALL getStaticIntField(JNIEnv*, jclass, jfieldID id) {
  Method* f = reinterpret_cast<Method*>(id);
  std::string qualified = f->owner->name + "." + f->name;
  std::string value;
  jint result = 0;
  if (startFailure >= 0 && f->name == "startFailure")
    result = startFailure;
  else if (scriptedValue(qualified, value))
    result = std::atoi(value.c_str());
  record("GetStaticIntField %s -> %d", qualified.c_str(), static_cast<int>(result));
  return result;
}

jstring JNICALL newString(JNIEnv*, const jchar* chars, jsize length) {
  std::u16string text(reinterpret_cast<const char16_t*>(chars), static_cast<size_t>(length));
  record("NewString %s", toUtf8(text).c_str());
  if (listed("TESSEL_JVM_FAIL", "NewString")) return nullptr;
  Object* s = newObject(Object::String, "java/lang/String");
  s->text = text;
  return reinterpret_cast<jstring>(s);
}
jstring JNICALL newStringUtf(JNIEnv*, const char* bytes) {
  record("NewStringUTF %s", bytes);
  Object* s = newObject(Object::String, "java/lang/String");
  int n = MultiByteToWideChar(CP_UTF8, 0, bytes, -1, nullptr, 0);
  if (n > 1) {
    s->text.resize(static_cast<size_t>(n - 1));
    MultiByteToWideChar(CP_UTF8, 0, bytes, -1, reinterpret_cast<wchar_t*>(&s->text[0]), n);
    s->text.resize(static_cast<size_t>(n - 1));
  }
  return reinterpret_cast<jstring>(s);
}
jsize JNICALL getStringLength(JNIEnv*, jstring s) { return static_cast<jsize>(as(s)->text.size()); }
const jchar* JNICALL getStringChars(JNIEnv*, jstring s, jboolean* isCopy) {
  if (isCopy) *isCopy = JNI_FALSE;
  return reinterpret_cast<const jchar*>(as(s)->text.c_str());
}
void JNICALL releaseStringChars(JNIEnv*, jstring, const jchar*) {}
jsize JNICALL getStringUtfLength(JNIEnv*, jstring s) { return static_cast<jsize>(toUtf8(as(s)->text).size()); }
const char* JNICALL getStringUtfChars(JNIEnv*, jstring s, jboolean* isCopy) {
  if (isCopy) *isCopy = JNI_FALSE;
  as(s)->utf = toUtf8(as(s)->text);
  return as(s)->utf.c_str();
}
void JNICALL releaseStringUtfChars(JNIEnv*, jstring, const char*) {}

jobjectArray JNICALL newObjectArray(JNIEnv*, jsize length, jclass element, jobject initial) {
  record("NewObjectArray %d %s", static_cast<int>(length), element ? as(element)->name.c_str() : "null");
  if (listed("TESSEL_JVM_FAIL", "NewObjectArray") || length < 0) return nullptr;
  Object* a = newObject(Object::Array, element ? as(element)->name : "");
  a->elements.assign(static_cast<size_t>(length), as(initial));
  return reinterpret_cast<jobjectArray>(a);
}
jsize JNICALL getArrayLength(JNIEnv*, jarray a) { return static_cast<jsize>(as(a)->elements.size()); }
jobject JNICALL getObjectArrayElement(JNIEnv*, jobjectArray a, jsize i) {
  return reinterpret_cast<jobject>(as(a)->elements.at(static_cast<size_t>(i)));
}
void JNICALL setObjectArrayElement(JNIEnv*, jobjectArray a, jsize i, jobject value) {
  if (i < 0 || static_cast<size_t>(i) >= as(a)->elements.size()) unexpectedCall(-1);
  as(a)->elements[static_cast<size_t>(i)] = as(value);
}

void JNICALL deleteLocalRef(JNIEnv*, jobject o) { record("DeleteLocalRef %s", quoted(as(o)).c_str()); }
jobject JNICALL newGlobalRef(JNIEnv*, jobject o) { return o; }
void JNICALL deleteGlobalRef(JNIEnv*, jobject) {}

jthrowable JNICALL exceptionOccurred(JNIEnv*) {
  record("ExceptionOccurred -> %s", pending ? pending->name.c_str() : "none");
  return reinterpret_cast<jthrowable>(pending);
}
jboolean JNICALL exceptionCheck(JNIEnv*) { return pending ? JNI_TRUE : JNI_FALSE; }
void JNICALL exceptionClear(JNIEnv*) {
  record("ExceptionClear");
  pending = nullptr;
}
void JNICALL exceptionDescribe(JNIEnv*) {
  record("ExceptionDescribe");
  if (pending && !pending->printed) {
    std::fprintf(stderr, "Exception in thread \"main\" %s: %s\n", pending->name.c_str(),
                 toUtf8(pending->text).c_str());
    std::fflush(stderr);
  }
  pending = nullptr;
}

// --- JavaVM functions --------------------------------------------------------------------
jint JNICALL destroyJavaVm(JavaVM*) {
  record("DestroyJavaVM");
  awaitOtherNonDaemons("DestroyJavaVM");
  destroyed.store(true);
  record("destroyed after %I64d us", microsecondsSinceStart());
  return JNI_OK;
}
jint attach(void** env, bool daemon) {
  blockAfterDestroy(daemon ? "AttachCurrentThreadAsDaemon" : "AttachCurrentThread");
  record(daemon ? "AttachCurrentThreadAsDaemon" : "AttachCurrentThread");
  if (!attached && !daemon) {
    std::lock_guard<std::mutex> guard(threadLock);
    nonDaemonThreads.insert(GetCurrentThreadId());
  }
  attached = true;
  *env = &envObject;
  return JNI_OK;
}
jint JNICALL attachCurrentThread(JavaVM*, void** env, void*) { return attach(env, false); }
jint JNICALL attachCurrentThreadAsDaemon(JavaVM*, void** env, void*) { return attach(env, true); }
jint JNICALL detachCurrentThread(JavaVM*) {
  blockAfterDestroy("DetachCurrentThread");
  record("DetachCurrentThread");
  attached = false;
  {
    std::lock_guard<std::mutex> guard(threadLock);
    nonDaemonThreads.erase(GetCurrentThreadId());
  }
  threadDetached.notify_all();
  return JNI_OK;
}
jint JNICALL getEnv(JavaVM*, void** env, jint) {
  blockAfterDestroy("GetEnv");
  if (!attached) {
    *env = nullptr;
    return JNI_EDETACHED;
  }
  *env = &envObject;
  return JNI_OK;
}

// One trap per slot, so the record names the slot that was called.
template <int N>
void JNICALL trap() {
  unexpectedCall(N);
}
template <int... N>
void fillTraps(void** slots, std::integer_sequence<int, N...>) {
  ((slots[N] = reinterpret_cast<void*>(&trap<N>)), ...);
}

void buildTables() {
  constexpr int nativeSlots = sizeof(JNINativeInterface_) / sizeof(void*);
  constexpr int invokeSlots = sizeof(JNIInvokeInterface_) / sizeof(void*);
  fillTraps(reinterpret_cast<void**>(&nativeTable), std::make_integer_sequence<int, nativeSlots>());
  fillTraps(reinterpret_cast<void**>(&invokeTable), std::make_integer_sequence<int, invokeSlots>());
  nativeTable.reserved0 = nativeTable.reserved1 = nativeTable.reserved2 = nativeTable.reserved3 = nullptr;
  invokeTable.reserved0 = invokeTable.reserved1 = invokeTable.reserved2 = nullptr;
  JNINativeInterface_& t = nativeTable;
  t.GetVersion = getVersion;
  t.FindClass = findClass;
  t.GetStaticMethodID = getStaticMethodId;
  t.CallStaticVoidMethod = callStaticVoidMethod;
  t.CallStaticVoidMethodV = callStaticVoidMethodV;
  t.CallStaticBooleanMethod = callStaticBooleanMethod;
  t.CallStaticBooleanMethodV = callStaticBooleanMethodV;
  t.CallStaticIntMethod = callStaticIntMethod;
  t.CallStaticIntMethodV = callStaticIntMethodV;
  t.CallStaticObjectMethod = callStaticObjectMethod;
  t.CallStaticObjectMethodV = callStaticObjectMethodV;
  t.GetMethodID = getMethodId;
  t.GetObjectClass = getObjectClass;
  t.CallObjectMethod = callObjectMethod;
  t.CallObjectMethodV = callObjectMethodV;
  t.GetStaticFieldID = getStaticFieldId;
  t.GetStaticIntField = getStaticIntField;
  t.NewString = newString;
  t.NewStringUTF = newStringUtf;
  t.GetStringLength = getStringLength;
  t.GetStringChars = getStringChars;
  t.ReleaseStringChars = releaseStringChars;
  t.GetStringUTFLength = getStringUtfLength;
  t.GetStringUTFChars = getStringUtfChars;
  t.ReleaseStringUTFChars = releaseStringUtfChars;
  t.NewObjectArray = newObjectArray;
  t.GetArrayLength = getArrayLength;
  t.GetObjectArrayElement = getObjectArrayElement;
  t.SetObjectArrayElement = setObjectArrayElement;
  t.DeleteLocalRef = deleteLocalRef;
  t.NewGlobalRef = newGlobalRef;
  t.DeleteGlobalRef = deleteGlobalRef;
  t.ExceptionOccurred = exceptionOccurred;
  t.ExceptionCheck = exceptionCheck;
  t.ExceptionClear = exceptionClear;
  t.ExceptionDescribe = exceptionDescribe;
  invokeTable.DestroyJavaVM = destroyJavaVm;
  invokeTable.AttachCurrentThread = attachCurrentThread;
  invokeTable.AttachCurrentThreadAsDaemon = attachCurrentThreadAsDaemon;
  invokeTable.DetachCurrentThread = detachCurrentThread;
  invokeTable.GetEnv = getEnv;
  vmObject.functions = &invokeTable;
  envObject.functions = &nativeTable;
}

}  // namespace

namespace jvmdouble {

void exitAsRuntime(int code) {
  record("System.exit(%d)", code);
  std::fflush(stdout);
  std::fflush(stderr);
  if (exitHook) {
    record("calling the exit hook with %d", code);
    exitHook(code);
  }
  ExitProcess(static_cast<UINT>(code));
}

void crashAsRuntime() {
  record("crashing");
  *static_cast<volatile int*>(nullptr) = 0;
  ExitProcess(0xC0000005u);
}

}  // namespace jvmdouble

extern "C" JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** vm, void** env, void* initArgs) {
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  JavaVMInitArgs* args = static_cast<JavaVMInitArgs*>(initArgs);
  record("creation requested after %I64d us", microsecondsSinceStart());
  record("CreateJavaVM version=0x%08lx nOptions=%ld ignoreUnrecognized=%d", static_cast<long>(args->version),
         static_cast<long>(args->nOptions), static_cast<int>(args->ignoreUnrecognized));
  record("peak working set %I64u bytes", static_cast<unsigned long long>(memory.PeakWorkingSetSize));
  // Which window libraries the caller had loaded by now; the double itself loads none before
  // it shows a window (user32 is delay-loaded).
  record("window libraries at creation: user32 %d gdi32 %d comctl32 %d uxtheme %d",
         GetModuleHandleA("user32.dll") != nullptr, GetModuleHandleA("gdi32.dll") != nullptr,
         GetModuleHandleA("comctl32.dll") != nullptr, GetModuleHandleA("uxtheme.dll") != nullptr);
  record("code page %u", GetACP());
  createOptions.clear();
  exitHook = nullptr;
  for (jint i = 0; i < args->nOptions; ++i) {
    const char* option = args->options[i].optionString;
    createOptions.push_back(option ? option : "");
    if (createOptions.back() == "exit") exitHook = reinterpret_cast<void(JNICALL*)(jint)>(args->options[i].extraInfo);
    record("option %ld: %s", static_cast<long>(i), ansiToUtf8(createOptions.back()).c_str());
  }
  // As a runtime whose boot layer cannot be resolved: its "abort" hook, then the end.
  if (environment("TESSEL_JVM_CREATE_ABORT") == "1") {
    std::fprintf(stderr, "Error occurred during initialization of boot layer\n");
    for (jint i = 0; i < args->nOptions; ++i) {
      if (createOptions[static_cast<size_t>(i)] != "abort") continue;
      record("calling the abort hook");
      reinterpret_cast<void(JNICALL*)()>(args->options[i].extraInfo)();
    }
    ExitProcess(1);
  }
  int result = std::atoi(environment("TESSEL_JVM_CREATE_RESULT").c_str());
  if (result != 0) {
    record("CreateJavaVM -> %d", result);
    return result;
  }
  buildTables();
  attached = true;
  {
    std::lock_guard<std::mutex> guard(threadLock);
    nonDaemonThreads.insert(GetCurrentThreadId());
  }
  *vm = &vmObject;
  *env = &envObject;
  return JNI_OK;
}
