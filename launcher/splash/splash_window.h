// The native splash window: its own thread, its creation, painting and message loop.
#pragma once
#include <windows.h>

#include <cstddef>

namespace tessel {

constexpr int kSplashResource = 10000;  // bitmap of the native splash, raw image of the runtime's
constexpr UINT_PTR kSplashTimerId = 9962;

// Thread procedure; the parameter is the launcher's show command. Returns the message loop's
// exit code, or 0 at once when a splash was already started (or hidden before it began).
DWORD WINAPI splashThread(void* showCommand);
// Takes splashWindowLock. On the window's own thread it keeps answering sent messages while it
// waits, since the holder may be inside a ShowWindow that waits for this thread.
void acquireSplashWindowLock();
// Takes the window handle away from every other thread (see splashWindowLock) and returns it;
// splash thread only.
HWND releaseSplashWindow();
// Reads the settings, registers the class and creates the hidden window. nullptr when the
// configured size is not usable, creation failed, or a hide came first.
HWND createSplashWindow();
LRESULT CALLBACK splashWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Paints the whole window through one off-screen bitmap.
void paintSplash(HWND window);
// Makes the status and version fonts once.
void createSplashFonts(HDC dc);
// Replaces the status line and repaints at once; splash thread only; ignored before a window.
void setSplashStatusText(const wchar_t* text);

// The status-line bytes of a wide text: characters up to U+00FF as bytes, ending before the
// first character above. Always terminated within `capacity`.
void statusTextBytes(char* out, size_t capacity, const wchar_t* text);
// The window's top-left corner: centred on the desktop rectangle, truncating toward zero.
POINT centredSplashOrigin(const RECT& desktop, int width, int height);

}  // namespace tessel
