// Scaled variants of a splash image: how they are named beside the plain image, the resource
// ids the build tool stores them under and the launcher finds them by, and which one a
// display scale takes.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tessel {

// The plain image is resource 10000; the variant for N percent is 10000 + N.
constexpr int32_t kSplashImageId = 10000;
constexpr int32_t kSplashVariantMinPercent = 101;
constexpr int32_t kSplashVariantMaxPercent = 800;
constexpr int32_t kMaxSplashVariants = kSplashVariantMaxPercent - kSplashVariantMinPercent + 1;

// The resource id of a scale in percent (100 for the plain image); 0 outside the range.
int32_t splashVariantId(int32_t percent) noexcept;
// The scale of a resource id: 100 for the plain image, the variant's percent, 0 for other ids.
int32_t splashVariantPercent(int32_t id) noexcept;

// The scale a file name gives as a variant of `plain` ("splash.bmp"): "splash@150pct.bmp"
// gives 150, "splash@2x.bmp" 200. The stem must match exactly, the extension without regard to
// case. 0 for every other name, for 100 % and for scales outside the range.
int32_t splashVariantScale(const char* plain, const char* candidate) noexcept;

// Which of the available scales (percent; 100 for the plain image, which is always there) to
// show at `wanted` percent: the same one, else the nearest larger (scaled down), else the
// nearest smaller (scaled up). A wanted scale of 0 or less counts as 100.
int32_t chooseSplashScale(const int32_t* available, size_t count, int32_t wanted) noexcept;

// A length in the image's own pixels at 100 % as it is at `percent`, rounded to the nearest.
int32_t scaleSplashLength(int32_t length, int32_t percent) noexcept;

}  // namespace tessel
