#include "splash/splash_control.h"

#include <new>

#include "config/config_access.h"
#include "util/common_controls.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "util/handles.h"
#include "instance/window_activation.h"
#include "splash/runtime_splash.h"
#include "splash/splash_state.h"
#include "splash/splash_window.h"
#include "vm/java_vm.h"

namespace tessel {

namespace {

const char kControllerClass[] = "com/tessel/runtime/TesselController";
constexpr jint kActionHide = 1;
constexpr jint kActionText = 2;

// The splash thread's controller look-up; made once, when the thread first gets an environment.
JNIEnv* controllerEnv;
jclass controllerClass;
jmethodID getActionMethod;
jmethodID getTextMethod;

// A throwing controller must not leave its exception pending for the next call.
bool controllerThrew(JNIEnv* env, const char* method) {
  if (!env->ExceptionCheck()) return false;
  logError("splash controller %s threw an exception", method);
  describeAndClearPendingException(env);
  return true;
}

// The splash thread, kept so that the end of the launch can wait for it.
unique_handle splashThreadHandle;
DWORD splashThreadId;
constexpr DWORD kSplashEndWaitMs = 3000;

[[noreturn]] void endSplashPolling() {
  finishSplashThread();
  ExitThread(0);  // the timer and the message loop end with the thread
}

}  // namespace

void finishSplashThread() {
  HWND window = releaseSplashWindow();
  if (window && messageOwnerWindow == window) setMessageOwnerWindow(nullptr);
  if (window) DestroyWindow(window);
  if (controllerEnv) {
    MachineCall call;  // nothing once the machine is being destroyed or gone
    if (call) detachCurrentThread();
  }
  controllerEnv = nullptr;  // a later splash thread looks the controller up for itself
  controllerClass = nullptr;
  getActionMethod = getTextMethod = nullptr;
}

void stopSplashThread() {
  splashEnding.store(true);
  if (!splashThreadHandle) return;
  // Wakes its message loop, which then ends at once instead of at the next tick.
  PostThreadMessageA(splashThreadId, WM_NULL, 0, 0);
  if (WaitForSingleObject(splashThreadHandle.get(), kSplashEndWaitMs) != WAIT_OBJECT_0)
    logError("the splash screen thread did not end within %d ms", static_cast<int>(kSplashEndWaitMs));
}

void hideSplashWindow() {
  // The splash thread hides too (a hide that raced the creation, auto-off, the controller).
  acquireSplashWindowLock();
  HWND window = splashWindow.load();
  if (window) {
    // The window goes away with its thread at the next tick; an error box shown after this
    // hide must not be owned by it, or it would go away too before the user read it.
    if (messageOwnerWindow == window) setMessageOwnerWindow(nullptr);
    ShowWindow(window, SW_HIDE);
  }
  ReleaseSRWLockExclusive(&splashWindowLock);
  if (!window) return;
  DWORD foregroundProcess = 0;
  GetWindowThreadProcessId(GetForegroundWindow(), &foregroundProcess);
  if (foregroundProcess != GetCurrentProcessId())
    activateProcessWindows(GetCurrentProcessId(), false);
}

void splashControl(int show) {
  if (show) prepareCommonControls();
  if (configInt(key::RuntimeSplash)) {
    if (show)
      showRuntimeSplash();
    else
      hideRuntimeSplash();
    return;
  }
  if (show) {
    logLine("Starting splash screen thread");
    splashThreadHandle.reset(CreateThread(nullptr, 0, splashThread,
                                          reinterpret_cast<void*>(static_cast<INT_PTR>(show)), 0,
                                          &splashThreadId));
    if (!splashThreadHandle) {
      DWORD error = GetLastError();
      logError("could not start the splash screen thread (%lu)", error);
    }
    return;
  }
  logLine("Hiding splash screen");
  splashHideRequested.store(true);
  if (!splashStarted.exchange(true)) return;  // a splash thread not yet that far shows nothing
  hideSplashWindow();
}

void lookupSplashController() {
  controllerEnv = currentThreadEnv();
  if (!controllerEnv) return;
  controllerClass = controllerEnv->FindClass(kControllerClass);
  if (controllerClass) {
    getActionMethod = controllerEnv->GetStaticMethodID(controllerClass, "getAction", "()I");
    getTextMethod =
        controllerEnv->GetStaticMethodID(controllerClass, "getText", "()Ljava/lang/String;");
  }
  // A missing class or method stays missing; its error must not stay pending.
  clearPendingException(controllerEnv);
}

namespace {

// Asks the Java-side controller what to do, holding the gate of machine calls only around the
// calls: no call once the machine is being destroyed. True when it asks to hide.
bool controllerAsksToHide() {
  MachineCall call;
  if (!call) return false;
  if (!controllerEnv) lookupSplashController();
  if (!controllerClass || !getActionMethod || !getTextMethod) return false;
  JNIEnv* env = controllerEnv;
  jint action = env->CallStaticIntMethod(controllerClass, getActionMethod);
  if (controllerThrew(env, "getAction")) return false;
  if (action == kActionHide) return true;
  if (action != kActionText) return false;
  jobject text = env->CallStaticObjectMethod(controllerClass, getTextMethod);
  if (controllerThrew(env, "getText") || !text) return false;
  std::unique_ptr<wchar_t[]> copy = javaStringToWide(env, static_cast<jstring>(text));
  env->DeleteLocalRef(text);  // a long run must not grow the thread's local references
  if (!copy) {  // no memory for the copy: the line stays as it is
    controllerThrew(env, "getText");
    return false;
  }
  setSplashStatusText(copy.get());
  return false;
}

}  // namespace

void CALLBACK splashTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  if (splashEnding.load()) endSplashPolling();
  HWND window = splashWindow.load();
  if (!IsWindowVisible(window)) {
    // A modal box still owned by the window disables it: keep the window until it is closed.
    if (window && !IsWindowEnabled(window)) return;
    endSplashPolling();
  }
  if (splashAutoOff.load() && countProcessWindows(GetCurrentProcessId()) > 1) {
    logLine("Splash screen auto off");
    splashControl(0);
    endSplashPolling();
  }
  if (controllerAsksToHide()) {
    splashControl(0);
    endSplashPolling();
  }
}

std::unique_ptr<wchar_t[]> javaStringToWide(JNIEnv* env, jstring text) {
  if (!text) return nullptr;
  const jchar* chars = env->GetStringChars(text, nullptr);
  if (!chars) return nullptr;  // the machine is out of memory; its error is left pending
  jsize length = env->GetStringLength(text);
  if (length < 0) length = 0;
  std::unique_ptr<wchar_t[]> copy(new (std::nothrow) wchar_t[static_cast<size_t>(length) + 1]());
  // Stops at an embedded zero character; the rest stays zero.
  for (jsize i = 0; copy && i < length && chars[i]; ++i) copy[i] = static_cast<wchar_t>(chars[i]);
  env->ReleaseStringChars(text, chars);
  return copy;
}

}  // namespace tessel
