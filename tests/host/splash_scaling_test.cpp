// Scaled splash images: the names that make a variant, the choice for a display scale, and
// the smooth scaling when no variant fits.
#include <gtest/gtest.h>

#include <vector>

#include "image_scale.h"
#include "splash_variants.h"

namespace tessel {
namespace {

TEST(SplashVariantNames, ScaleFromTheNameBesideThePlainImage) {
  EXPECT_EQ(splashVariantScale("splash.bmp", "splash@125pct.bmp"), 125);
  EXPECT_EQ(splashVariantScale("splash.bmp", "splash@150pct.BMP"), 150);
  EXPECT_EQ(splashVariantScale("splash.bmp", "splash@2x.bmp"), 200);
  EXPECT_EQ(splashVariantScale("splash.bmp", "splash@200pct.bmp"), 200);
  EXPECT_EQ(splashVariantScale("my splash.v2.bmp", "my splash.v2@3x.bmp"), 300);
  EXPECT_EQ(splashVariantScale("splash", "splash@2x"), 200);
  // Not variants: other stems or extensions, the plain scale, no number, out of range.
  for (const char* name : {"splash.bmp", "Splash@2x.bmp", "splashes@2x.bmp", "splash@2x.png",
                           "splash@1x.bmp", "splash@100pct.bmp", "splash@x.bmp",
                           "splash@pct.bmp", "splash@9x.bmp", "splash@801pct.bmp",
                           "splash@-2x.bmp", "splash@2.5x.bmp", "splash@99999pct.bmp",
                           "splash@2xbmp", "splash@.bmp", "splash@2x.bmp.bak"})
    EXPECT_EQ(splashVariantScale("splash.bmp", name), 0) << name;
  EXPECT_EQ(splashVariantScale(nullptr, "splash@2x.bmp"), 0);
}

TEST(SplashVariantIds, PlainAndVariantsRoundTripAndNothingElse) {
  EXPECT_EQ(splashVariantId(100), 10000);
  EXPECT_EQ(splashVariantId(150), 10150);
  EXPECT_EQ(splashVariantId(800), 10800);
  EXPECT_EQ(splashVariantId(99), 0);
  EXPECT_EQ(splashVariantId(801), 0);
  for (int32_t percent : {100, 101, 125, 200, 800})
    EXPECT_EQ(splashVariantPercent(splashVariantId(percent)), percent);
  EXPECT_EQ(splashVariantPercent(1), 0);
  EXPECT_EQ(splashVariantPercent(10050), 0);
  EXPECT_EQ(splashVariantPercent(10801), 0);
}

TEST(SplashVariantChoice, SameScaleElseNearestLargerElseNearestSmaller) {
  const int32_t some[] = {100, 125, 150, 200};
  EXPECT_EQ(chooseSplashScale(some, 4, 150), 150);
  EXPECT_EQ(chooseSplashScale(some, 4, 175), 200);  // scaled down
  EXPECT_EQ(chooseSplashScale(some, 4, 110), 125);
  EXPECT_EQ(chooseSplashScale(some, 4, 300), 200);  // scaled up
  EXPECT_EQ(chooseSplashScale(some, 4, 100), 100);
  EXPECT_EQ(chooseSplashScale(some, 4, 90), 100);
  EXPECT_EQ(chooseSplashScale(some, 4, 0), 100);
  const int32_t plainOnly[] = {100};
  EXPECT_EQ(chooseSplashScale(plainOnly, 1, 200), 100);
  EXPECT_EQ(chooseSplashScale(nullptr, 0, 200), 100);
  const int32_t unordered[] = {300, 200, 100, 250};
  EXPECT_EQ(chooseSplashScale(unordered, 4, 225), 250);
}

TEST(SplashVariantChoice, LengthsScaleRounded) {
  EXPECT_EQ(scaleSplashLength(200, 200), 400);
  EXPECT_EQ(scaleSplashLength(201, 125), 251);  // 251.25
  EXPECT_EQ(scaleSplashLength(3, 150), 5);      // 4.5 rounds up
  EXPECT_EQ(scaleSplashLength(-4, 150), -6);
  EXPECT_EQ(scaleSplashLength(2000000000, 800), INT32_MAX);
}

uint32_t channel(uint32_t pixel, int c) { return (pixel >> (8 * c)) & 0xFF; }

std::vector<uint32_t> scaled(const std::vector<uint32_t>& from, int w, int h, int tw, int th) {
  std::vector<uint32_t> to(static_cast<size_t>(tw) * th, 0xDEADBEEF), scratch(static_cast<size_t>(tw) * h);
  EXPECT_TRUE(scalePixels(from.data(), w, h, to.data(), tw, th, scratch.data()));
  return to;
}

TEST(ImageScaling, OneColourStaysThatColourAtAnySize) {
  const std::vector<uint32_t> from(3 * 5, 0x80C04020u);
  for (auto [tw, th] : {std::pair{7, 2}, {1, 1}, {6, 10}, {2, 17}})
    for (uint32_t p : scaled(from, 3, 5, tw, th)) EXPECT_EQ(p, 0x80C04020u) << tw << "x" << th;
}

TEST(ImageScaling, EnlargingBlendsBetweenPixelsAndKeepsTheEdges) {
  // Black and white side by side, twice as wide: the outer pixels keep their colour, the
  // inner ones lie between, rising from left to right.
  const std::vector<uint32_t> from = {0x000000u, 0xFFFFFFu};
  auto to = scaled(from, 2, 1, 4, 1);
  EXPECT_EQ(to[0], 0x000000u);
  EXPECT_EQ(to[3], 0xFFFFFFu);
  EXPECT_GT(channel(to[1], 0), 0u);
  EXPECT_LT(channel(to[1], 0), channel(to[2], 0));
  EXPECT_LT(channel(to[2], 0), 255u);
  EXPECT_EQ(channel(to[1], 0) + channel(to[2], 0), 255u) << "symmetric";
}

TEST(ImageScaling, ShrinkingCountsEverySourcePixel) {
  // Fine stripes of black and white: halved, every pixel is mid grey, not one of the stripes.
  std::vector<uint32_t> from(8 * 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) from[y * 8 + x] = x % 2 ? 0xFFFFFFu : 0u;
  for (uint32_t p : scaled(from, 8, 8, 4, 4))
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(static_cast<int>(channel(p, c)), 128, 40);
  // Channels stay apart: red on the left and blue on the right stay mostly so when shrunk.
  std::vector<uint32_t> halves(8 * 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 8; ++x) halves[y * 8 + x] = x < 4 ? 0xFF0000u : 0x0000FFu;
  auto to = scaled(halves, 8, 2, 2, 1);
  EXPECT_GT(channel(to[0], 2), 2 * channel(to[0], 0));
  EXPECT_GT(channel(to[1], 0), 2 * channel(to[1], 2));
  EXPECT_EQ(channel(to[0], 1), 0u);
  EXPECT_NEAR(static_cast<int>(channel(to[0], 2) + channel(to[0], 0)), 255, 1) << "weights add up to one";
}

TEST(ImageScaling, RefusesEmptySizesWithoutWriting) {
  std::vector<uint32_t> from(4, 1u), to(4, 7u), scratch(4);
  EXPECT_FALSE(scalePixels(from.data(), 0, 2, to.data(), 2, 2, scratch.data()));
  EXPECT_FALSE(scalePixels(from.data(), 2, 2, to.data(), 2, -1, scratch.data()));
  EXPECT_FALSE(scalePixels(nullptr, 2, 2, to.data(), 2, 2, scratch.data()));
  EXPECT_EQ(to, std::vector<uint32_t>(4, 7u));
}

}  // namespace
}  // namespace tessel
