#include <gtest/gtest.h>

#include "splash/splash_window.h"

namespace tessel {
namespace {

TEST(StatusText, KeepsLatin1AndEndsBeforeTheFirstWiderCharacter) {
  char out[32];
  statusTextBytes(out, sizeof out, L"Caf\u00e9 \u00ff!");
  EXPECT_STREQ(out, "Caf\xe9 \xff!");
  statusTextBytes(out, sizeof out, L"Loading \u0101 more");
  EXPECT_STREQ(out, "Loading ");
  statusTextBytes(out, sizeof out, nullptr);
  EXPECT_STREQ(out, "");
}

TEST(StatusText, LongTextIsCutWithinTheBuffer) {
  char out[8];
  out[7] = 'x';
  statusTextBytes(out, sizeof out, L"0123456789");
  EXPECT_STREQ(out, "0123456");
}

TEST(SplashPosition, CentredWithDivisionTowardZero) {
  POINT at = centredSplashOrigin(RECT{0, 0, 1920, 1080}, 400, 300);
  EXPECT_EQ(at.x, 760);
  EXPECT_EQ(at.y, 390);
  at = centredSplashOrigin(RECT{0, 0, 1023, 768}, 400, 301);
  EXPECT_EQ(at.x, 311);
  EXPECT_EQ(at.y, 233);
  at = centredSplashOrigin(RECT{0, 0, 1024, 768}, 1101, 800);  // larger than the screen
  EXPECT_EQ(at.x, -38);
  EXPECT_EQ(at.y, -16);
}

}  // namespace
}  // namespace tessel
