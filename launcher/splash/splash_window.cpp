#include "splash/splash_window.h"

#include <cstring>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "splash/splash_control.h"
#include "splash/splash_scale.h"
#include "splash/splash_state.h"
#include "splash_variants.h"

namespace tessel {

std::atomic<HWND> splashWindow{nullptr};
SRWLOCK splashWindowLock = SRWLOCK_INIT;
std::atomic<bool> splashStarted{false};
std::atomic<bool> splashHideRequested{false};
std::atomic<bool> splashAutoOff{false};
std::atomic<bool> splashEnding{false};

namespace {

const char kClassName[] = "TesselSplashScreen";

// Read once at creation; used only on the splash thread afterwards.
char statusText[kPathCapacity];
char versionText[kPathCapacity];
char windowTitle[kPathCapacity];
COLORREF statusColour, versionColour;
POINT statusAt, versionAt;
int windowWidth, windowHeight;
int32_t scalePercent = 100;  // of the monitor the splash appears on
HFONT statusFont, versionFont;  // never deleted
// The image prepared for the scale once; it goes with the window.
HBITMAP splashImage;
int32_t splashImageWidth, splashImageHeight;

static_assert(LF_FACESIZE == limit::kFontFaceCapacity, "the tool checks font names against this");

HFONT makeFont(int32_t sizeKey, int32_t weightKey, int32_t faceKey) {
  LOGFONTA font{};
  // Points at the monitor's scale: the device context knows only the system's.
  font.lfHeight = -MulDiv(configInt(sizeKey), MulDiv(96, scalePercent, 100), 72);
  font.lfWeight = configInt(weightKey);
  font.lfCharSet = ANSI_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = FF_SWISS | DEFAULT_PITCH;
  configString(faceKey, font.lfFaceName, LF_FACESIZE);
  return CreateFontIndirectA(&font);
}

void drawLine(HDC dc, HFONT font, COLORREF colour, POINT at, const char* text) {
  if (font) SelectObject(dc, font);
  SetTextColor(dc, colour);
  TextOutA(dc, at.x, at.y, text, static_cast<int>(std::strlen(text)));
}

}  // namespace

void statusTextBytes(char* out, size_t capacity, const wchar_t* text) {
  if (capacity == 0) return;
  size_t n = 0;
  for (; text && text[n] && text[n] <= 0xFF && n + 1 < capacity; ++n)
    out[n] = static_cast<char>(text[n]);
  out[n] = 0;
}

POINT centredSplashOrigin(const RECT& desktop, int width, int height) {
  return POINT{(desktop.right - width - desktop.left) / 2,
               (desktop.bottom - height - desktop.top) / 2};
}

HWND createSplashWindow() {
  configString(key::StatusLineText, statusText, kPathCapacity);
  configString(key::VersionLineText, versionText, kPathCapacity);
  statusColour = configColor(key::StatusLineColour);
  versionColour = configColor(key::VersionLineColour);
  configString(key::ApplicationName, windowTitle, kPathCapacity);
  windowWidth = configInt(key::SplashWidth);
  windowHeight = configInt(key::SplashHeight);
  if (windowWidth <= 0 || windowHeight <= 0) {
    logError("splash size %d x %d is not usable, no splash window", windowWidth, windowHeight);
    return nullptr;
  }
  // The configured sizes and positions are those of the plain image at 100 %.
  RECT desktop{};
  GetWindowRect(GetDesktopWindow(), &desktop);
  POINT centre{desktop.left + (desktop.right - desktop.left) / 2,
               desktop.top + (desktop.bottom - desktop.top) / 2};
  scalePercent = monitorScalePercent(centre);
  windowWidth = scaleSplashLength(windowWidth, scalePercent);
  windowHeight = scaleSplashLength(windowHeight, scalePercent);
  statusAt = POINT{scaleSplashLength(configInt(key::StatusLineX), scalePercent),
                   scaleSplashLength(configInt(key::StatusLineY), scalePercent)};
  versionAt = POINT{scaleSplashLength(configInt(key::VersionLineX), scalePercent),
                    scaleSplashLength(configInt(key::VersionLineY), scalePercent)};
  logLine("Splash screen at %d %%: %d x %d", static_cast<int>(scalePercent), windowWidth,
          windowHeight);

  HINSTANCE module = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
  windowClass.lpfnWndProc = splashWndProc;
  windowClass.hInstance = module;
  windowClass.hIcon = LoadIconA(module, "ID_SPLASH_ICON");
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);  // fails harmlessly when already registered

  POINT at = centredSplashOrigin(desktop, windowWidth, windowHeight);
  HWND window = CreateWindowExA(0, kClassName, windowTitle, WS_POPUP, at.x, at.y, windowWidth,
                                windowHeight, nullptr, nullptr, module, nullptr);
  if (!window) {
    DWORD error = GetLastError();
    logError("could not create the splash window (%lu)", error);
    return nullptr;
  }
  statusFont = nullptr;
  int32_t chosen = 100;
  splashImage = loadScaledSplashBitmap(scalePercent, chosen);
  BITMAP size{};
  if (splashImage && GetObjectA(splashImage, sizeof(size), &size)) {
    splashImageWidth = size.bmWidth;
    splashImageHeight = size.bmHeight;
  }
  splashWindow.store(window);
  if (splashStarted.exchange(true)) {  // a hide came first: show nothing
    splashWindow.store(nullptr);
    DestroyWindow(window);
    return nullptr;
  }
  return window;
}

void acquireSplashWindowLock() {
  if (TryAcquireSRWLockExclusive(&splashWindowLock)) return;
  HWND window = splashWindow.load();
  if (!window || GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
    AcquireSRWLockExclusive(&splashWindowLock);
    return;
  }
  // The holder may be waiting for this thread to answer a message it sent to the window
  // (ShowWindow does that): keep answering until the lock is free.
  while (!TryAcquireSRWLockExclusive(&splashWindowLock)) {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    Sleep(1);
  }
}

HWND releaseSplashWindow() {
  acquireSplashWindowLock();
  HWND window = splashWindow.exchange(nullptr);
  ReleaseSRWLockExclusive(&splashWindowLock);
  return window;
}

DWORD WINAPI splashThread(void* showCommand) {
  int show = static_cast<int>(reinterpret_cast<INT_PTR>(showCommand));
  logLine("Showing splash screen");
  if (splashStarted.load() || splashEnding.load()) return 0;
  logLine("Initializing splash screen");
  HWND window = createSplashWindow();
  if (!window) return 0;
  setMessageOwnerWindow(window);
  ShowWindow(window, show);
  if (configInt(key::SplashOnTop))
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  splashAutoOff.store(configInt(key::SplashAutoOff) != 0);
  // A hide that arrived while the window was being made and shown: it must stay hidden.
  if (splashHideRequested.load()) hideSplashWindow();
  SetTimer(nullptr, kSplashTimerId, 100, splashTimerProc);  // ends with the thread
  MSG message{};
  BOOL got;
  while (!splashEnding.load() && (got = GetMessageA(&message, nullptr, 0, 0)) != 0 && got != -1) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  finishSplashThread();
  return static_cast<DWORD>(message.wParam);
}

LRESULT CALLBACK splashWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      paintSplash(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers the whole window
    case WM_DESTROY:
      if (splashImage) DeleteObject(splashImage);
      splashImage = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void createSplashFonts(HDC dc) {
  if (statusFont) return;
  statusFont = makeFont(key::StatusLineSize, key::StatusLineWeight, key::StatusLineFont);
  versionFont = makeFont(key::VersionLineSize, key::VersionLineWeight, key::VersionLineFont);
}

void paintSplash(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (!dc) return;
  createSplashFonts(dc);
  // Everything is composed off screen and copied once, so the window never flickers.
  HDC frameDc = CreateCompatibleDC(dc);
  HBITMAP frame = CreateCompatibleBitmap(dc, windowWidth, windowHeight);
  HGDIOBJ previousFrame = SelectObject(frameDc, frame);
  RECT all{0, 0, windowWidth, windowHeight};
  FillRect(frameDc, &all, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));

  if (splashImage) {
    HDC imageDc = CreateCompatibleDC(dc);
    HGDIOBJ previousImage = SelectObject(imageDc, splashImage);
    BitBlt(frameDc, 0, 0, splashImageWidth, splashImageHeight, imageDc, 0, 0, SRCCOPY);
    SelectObject(imageDc, previousImage);
    DeleteDC(imageDc);
  }

  int previousMode = SetBkMode(frameDc, TRANSPARENT);
  HGDIOBJ previousFont = GetCurrentObject(frameDc, OBJ_FONT);
  COLORREF previousColour = GetTextColor(frameDc);
  drawLine(frameDc, statusFont, statusColour, statusAt, statusText);
  drawLine(frameDc, versionFont, versionColour, versionAt, versionText);
  SelectObject(frameDc, previousFont);
  SetTextColor(frameDc, previousColour);
  SetBkMode(frameDc, previousMode);

  BitBlt(dc, 0, 0, windowWidth, windowHeight, frameDc, 0, 0, SRCCOPY);
  SelectObject(frameDc, previousFrame);
  DeleteObject(frame);
  DeleteDC(frameDc);
  EndPaint(window, &paint);
}

void setSplashStatusText(const wchar_t* text) {
  HWND window = splashWindow.load();
  if (!splashStarted.load() || !window) return;
  statusTextBytes(statusText, kPathCapacity, text);
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
}

}  // namespace tessel
