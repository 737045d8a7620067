// Showing and hiding the splash screen from start-up, error dialogs and the Java side.
#pragma once
#include <windows.h>

#include <jni.h>

#include <memory>

namespace tessel {

// 0 hides the splash; any other show-window value shows it (native or runtime splash by key
// 10123). Returns at once; the native window appears on its own thread.
void splashControl(int show);

// The splash thread's 100 ms timer: auto-off, and the Java-side controller's actions.
void CALLBACK splashTimerProc(HWND, UINT, UINT_PTR, DWORD);
// Attaches the splash thread to the virtual machine and looks up the controller class and its
// methods; leaves them absent (and no exception pending) when they are missing.
void lookupSplashController();
// A terminated copy of a Java string (null for null or when memory runs out).
std::unique_ptr<wchar_t[]> javaStringToWide(JNIEnv* env, jstring text);

// Hides the native window, which from then on owns no error box, and brings the process's
// own windows to the front when another process has the focus.
void hideSplashWindow();

// The end of the splash thread: the window handle is cleared (before the
// window is destroyed) and the thread detaches from the virtual machine if it attached.
void finishSplashThread();
// The launch is over: the splash thread ends at its next tick, without another call into the
// virtual machine; waits a few seconds at most for it, so that the process can end orderly.
void stopSplashThread();

}  // namespace tessel
