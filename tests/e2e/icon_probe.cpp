// Loads an icon group of an executable the way Windows shows it and prints the size it got:
//   icon_probe.exe FILE GROUP    (GROUP: a number or a name such as ID_SPLASH_ICON)
// Prints "WIDTHxHEIGHT" and exits 0, or names the failing call and exits 1.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: icon_probe FILE GROUP\n");
    return 2;
  }
  HMODULE module = LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) {
    std::fprintf(stderr, "LoadLibraryEx failed: %lu\n", GetLastError());
    return 1;
  }
  wchar_t* end = nullptr;
  const unsigned long number = std::wcstoul(argv[2], &end, 10);
  const wchar_t* group = *end == 0 ? MAKEINTRESOURCEW(number) : argv[2];
  HICON icon = static_cast<HICON>(LoadImageW(module, group, IMAGE_ICON, 48, 48, 0));
  if (!icon) {
    std::fprintf(stderr, "LoadImage failed: %lu\n", GetLastError());
    FreeLibrary(module);
    return 1;
  }
  ICONINFO info = {};
  BITMAP bitmap = {};
  const bool read = GetIconInfo(icon, &info) &&
                    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  DestroyIcon(icon);
  FreeLibrary(module);
  if (!read) {
    std::fprintf(stderr, "GetIconInfo failed\n");
    return 1;
  }
  std::printf("%ldx%ld\n", bitmap.bmWidth, bitmap.bmHeight);
  return 0;
}
