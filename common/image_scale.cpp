#include "image_scale.h"

namespace tessel {
namespace {

// One line of `count` pixels `stride` apart, resampled to `toCount` pixels `toStride` apart.
void scaleLine(const uint32_t* from, int32_t count, ptrdiff_t stride, uint32_t* to,
               int32_t toCount, ptrdiff_t toStride) {
  const double ratio = static_cast<double>(count) / toCount;
  const double radius = ratio > 1.0 ? ratio : 1.0;
  for (int32_t x = 0; x < toCount; ++x) {
    const double centre = (x + 0.5) * ratio - 0.5;
    int32_t first = static_cast<int32_t>(centre - radius), last = static_cast<int32_t>(centre + radius) + 1;
    if (first < 0) first = 0;
    if (last > count - 1) last = count - 1;
    double sum[4] = {0, 0, 0, 0}, weights = 0;
    for (int32_t i = first; i <= last; ++i) {
      const double distance = (i > centre ? i - centre : centre - i) / radius;
      if (distance >= 1.0) continue;
      const double w = 1.0 - distance;
      const uint32_t p = from[i * stride];
      for (int c = 0; c < 4; ++c) sum[c] += w * ((p >> (8 * c)) & 0xFF);
      weights += w;
    }
    uint32_t out = 0;
    if (weights <= 0) {  // a target pixel beyond the last source centre: the nearest pixel
      out = from[(centre < 0 ? 0 : count - 1) * stride];
    } else {
      for (int c = 0; c < 4; ++c) {
        const uint32_t v = static_cast<uint32_t>(sum[c] / weights + 0.5);
        out |= (v > 255 ? 255u : v) << (8 * c);
      }
    }
    to[x * toStride] = out;
  }
}

}  // namespace

bool scalePixels(const uint32_t* from, int32_t fromWidth, int32_t fromHeight, uint32_t* to,
                 int32_t toWidth, int32_t toHeight, uint32_t* scratch) noexcept {
  if (!from || !to || !scratch || fromWidth <= 0 || fromHeight <= 0 || toWidth <= 0 ||
      toHeight <= 0)
    return false;
  for (int32_t y = 0; y < fromHeight; ++y)
    scaleLine(from + static_cast<ptrdiff_t>(y) * fromWidth, fromWidth, 1,
              scratch + static_cast<ptrdiff_t>(y) * toWidth, toWidth, 1);
  for (int32_t x = 0; x < toWidth; ++x)
    scaleLine(scratch + x, fromHeight, toWidth, to + x, toHeight, toWidth);
  return true;
}

}  // namespace tessel
