// The display scale a splash is shown at, and the splash image prepared for it: the variant
// made for that scale, else the nearest larger one scaled down, else the nearest smaller one
// scaled up.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace tessel {

// The scale in percent (96 dpi = 100) of the monitor that holds `point`, as this process sees
// it; 100 when the system tells nothing.
int32_t monitorScalePercent(POINT point);

// The scales of the executable's images of a resource type (RT_BITMAP, RT_RCDATA): 100 for
// resource 10000 when it exists, and each variant's percent. Returns how many were stored.
size_t splashScalesOf(LPCSTR type, int32_t* scales, size_t capacity);

// The splash bitmap for `percent`: the chosen resource, scaled smoothly when it was made for
// another scale. nullptr when the executable has no splash bitmap. The caller deletes it.
// `chosen` receives the scale of the resource that was taken.
HBITMAP loadScaledSplashBitmap(int32_t percent, int32_t& chosen);

}  // namespace tessel
