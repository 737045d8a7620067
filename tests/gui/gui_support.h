// Helpers for the screen tests: configuration, splash state, bounded waiting, window look-up.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace tessel::test {

// Forgets the configuration and the splash state of an earlier test in this process, then
// sets the keys of a native splash of the test bitmap's size plus `extra` ("key=value" pairs).
void configureSplash(std::initializer_list<std::pair<int, std::string>> extra = {});
// Polls every 10 ms until the condition holds or the time is up; returns the condition.
bool waitUntil(const std::function<bool()>& condition, DWORD milliseconds);
// This process's top-level window of the class (visible or not), or nullptr.
HWND findOwnWindow(const char* className);
// The process's splash window once it is visible and painted, or nullptr after 5 s.
HWND waitForVisibleSplash();
// True once the process has no splash window any more (its thread ended), within 5 s.
bool waitForSplashGone();
// Threads of this process now (a splash thread that ends lowers it again).
int processThreadCount();
// A pixel of the window's client area as painted.
COLORREF windowPixel(HWND window, int x, int y);

constexpr int kBitmapWidth = 40, kBitmapHeight = 20;
constexpr COLORREF kTopLeft = RGB(0xC8, 0x20, 0x20), kTopRight = RGB(0x20, 0xA0, 0x30),
                   kBottomLeft = RGB(0x20, 0x40, 0xD0), kBottomRight = RGB(0xF0, 0xE0, 0x30);
constexpr COLORREF kLightGrey = RGB(0xC0, 0xC0, 0xC0);

}  // namespace tessel::test
