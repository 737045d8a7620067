/* The baseline of the splash start-up figure: the least a program needs to show a borderless
   400 x 300 window, centred and painted in one colour, on the same display. */
#include <windows.h>

static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HBRUSH brush = CreateSolidBrush(RGB(0x1f, 0x6f, 0x8b));
    FillRect(dc, &paint.rcPaint, brush);
    DeleteObject(brush);
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
  WNDCLASSA windowClass = {0};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "TrivialWindow";
  RegisterClassA(&windowClass);
  RECT desktop;
  GetWindowRect(GetDesktopWindow(), &desktop);
  HWND window = CreateWindowExA(0, "TrivialWindow", "trivial", WS_POPUP,
                                (desktop.right - 400 - desktop.left) / 2,
                                (desktop.bottom - 300 - desktop.top) / 2, 400, 300, NULL, NULL,
                                instance, NULL);
  ShowWindow(window, show ? show : SW_SHOWNORMAL);
  SetTimer(window, 1, 3000, NULL);  /* then it ends by itself */
  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    if (message.message == WM_TIMER) DestroyWindow(window);
    DispatchMessageA(&message);
  }
  return 0;
}
