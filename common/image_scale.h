// Smooth scaling of 32-bit pixels (four 8-bit channels), for splash images shown at a
// display scale for which no image of their own exists.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tessel {

// Scales `from` (fromWidth x fromHeight, rows top-down) into `to` (toWidth x toHeight). Each
// channel is filtered on its own with a tent filter as wide as one source pixel when
// enlarging (bilinear) and as one target pixel when shrinking (every source pixel counts), so
// neither direction drops or repeats pixels. `scratch` holds toWidth x fromHeight pixels.
// False, with nothing written, when a size is 0 or negative.
bool scalePixels(const uint32_t* from, int32_t fromWidth, int32_t fromHeight, uint32_t* to,
                 int32_t toWidth, int32_t toHeight, uint32_t* scratch) noexcept;

}  // namespace tessel
