#include "splash/splash_scale.h"

#include "diagnostics/log.h"
#include "image_scale.h"
#include "splash_variants.h"

namespace tessel {
namespace {

using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

struct ScaleList {
  int32_t* scales;
  size_t capacity, count;
};

BOOL CALLBACK collectScale(HMODULE, LPCSTR, LPSTR name, LONG_PTR context) {
  auto* list = reinterpret_cast<ScaleList*>(context);
  if (!IS_INTRESOURCE(name)) return TRUE;
  const int32_t percent = splashVariantPercent(static_cast<int32_t>(reinterpret_cast<UINT_PTR>(name)));
  if (percent && list->count < list->capacity) list->scales[list->count++] = percent;
  return TRUE;
}

void* allocate(size_t bytes) { return HeapAlloc(GetProcessHeap(), 0, bytes); }
void release(void* memory) {
  if (memory) HeapFree(GetProcessHeap(), 0, memory);
}

// Describes 32-bit top-down pixels of the size, as both reading and making a DIB want them.
BITMAPINFO topDown32(int32_t width, int32_t height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// A 32-bit top-down DIB section of the size, its pixels in `bits`.
HBITMAP makeDib(int32_t width, int32_t height, uint32_t*& bits) {
  BITMAPINFO info = topDown32(width, height);
  void* pixels = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  bits = static_cast<uint32_t*>(pixels);
  return dib && bits ? dib : (dib ? (DeleteObject(dib), nullptr) : nullptr);
}

// `image` at width x height, smoothly; nullptr when memory or GDI refuse.
HBITMAP scaledCopy(HBITMAP image, int32_t fromWidth, int32_t fromHeight, int32_t width,
                   int32_t height) {
  const size_t fromPixels = static_cast<size_t>(fromWidth) * static_cast<size_t>(fromHeight);
  const size_t scratchPixels = static_cast<size_t>(width) * static_cast<size_t>(fromHeight);
  auto* from = static_cast<uint32_t*>(allocate(fromPixels * 4));
  auto* scratch = static_cast<uint32_t*>(allocate(scratchPixels * 4));
  HBITMAP result = nullptr;
  if (from && scratch) {
    BITMAPINFO info = topDown32(fromWidth, fromHeight);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, image, 0, static_cast<UINT>(fromHeight), from, &info,
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    uint32_t* to = nullptr;
    if (rows == fromHeight && (result = makeDib(width, height, to)) != nullptr) {
      scalePixels(from, fromWidth, fromHeight, to, width, height, scratch);
      GdiFlush();
    }
  }
  release(from);
  release(scratch);
  return result;
}

}  // namespace

int32_t monitorScalePercent(POINT point) {
  UINT dpi = 0;
  // Windows 8.1 and later know each monitor's scale; before, one scale serves every monitor.
  if (HMODULE shcore = LoadLibraryA("shcore.dll")) {  // kept: loaded once, small
    auto getDpi = reinterpret_cast<GetDpiForMonitorFunction>(
        reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
    UINT dpiY = 0;
    if (getDpi && getDpi(MonitorFromPoint(point, MONITOR_DEFAULTTOPRIMARY), 0 /* effective */,
                         &dpi, &dpiY) != S_OK)
      dpi = 0;
  }
  if (dpi == 0) {
    HDC screen = GetDC(nullptr);
    if (screen) {
      dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
      ReleaseDC(nullptr, screen);
    }
  }
  if (dpi == 0 || dpi > 96 * 8) return 100;
  return static_cast<int32_t>((dpi * 100 + 48) / 96);
}

size_t splashScalesOf(LPCSTR type, int32_t* scales, size_t capacity) {
  ScaleList list{scales, capacity, 0};
  EnumResourceNamesA(GetModuleHandleA(nullptr), type, collectScale,
                     reinterpret_cast<LONG_PTR>(&list));
  return list.count;
}

HBITMAP loadScaledSplashBitmap(int32_t percent, int32_t& chosen) {
  int32_t scales[kMaxSplashVariants + 1];
  const size_t count = splashScalesOf(MAKEINTRESOURCEA(2) /* RT_BITMAP */, scales,
                                      sizeof(scales) / sizeof(scales[0]));
  chosen = chooseSplashScale(scales, count, percent);
  HBITMAP image = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr),
      MAKEINTRESOURCEA(splashVariantId(chosen)), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  if (!image && chosen != 100) {  // a variant that cannot be read: the plain image
    chosen = 100;
    image = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr),
        MAKEINTRESOURCEA(kSplashImageId), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  }
  if (!image) return nullptr;
  logLine("Splash image for %d %%: the one made for %d %%", static_cast<int>(percent),
          static_cast<int>(chosen));
  if (chosen == percent) return image;
  BITMAP size{};
  GetObjectA(image, sizeof(size), &size);
  const int32_t width = static_cast<int32_t>(static_cast<int64_t>(size.bmWidth) * percent / chosen);
  const int32_t height = static_cast<int32_t>(static_cast<int64_t>(size.bmHeight) * percent / chosen);
  if (width <= 0 || height <= 0 || size.bmWidth <= 0 || size.bmHeight <= 0) return image;
  HBITMAP scaled = scaledCopy(image, size.bmWidth, size.bmHeight, width, height);
  if (!scaled) return image;  // shown at its own size rather than not at all
  DeleteObject(image);
  return scaled;
}

}  // namespace tessel
