#include <gtest/gtest.h>

#include <string>

#include "config/config_access.h"
#include "config_keys.h"
#include "discovery/version_rules.h"

namespace tessel {
namespace {

class VersionRules : public ::testing::Test {
 protected:
  void SetUp() override { clearConfiguration(); }
  void TearDown() override { clearConfiguration(); }
};

struct RangeRow {
  const char* version;
  const char* minimum;
  const char* maximum;
  bool inRange;
  bool prefixInRange;
};

// Bounds match by their own components; registry names over the components both have.
const RangeRow kWorkedExamples[] = {
    {"1.6.0_45", "1.6", "", true, true},
    {"1.5.0_22", "1.6", "", false, false},
    {"1.7.0_80", "1.6", "1.7", true, true},
    {"1.8.0_60", "1.6", "1.7", false, false},
    {"9.0.4", "1.6", "", true, true},
    {"10.0.2", "1.6", "1.8", false, false},
    {"1.10.0", "1.6", "", true, true},
    {"1.6.0_9", "1.6.0_10", "", false, false},
    {"1.6.0", "1.6.0_10", "", false, true},
    {"1.6", "1.6.0_10", "", false, true},
    {"1.8.0-ea", "1.6", "", false, true},
    {"17.0.2", "9", "", true, true},
    {"9.0.4", "11", "", false, false},
    {"17.0.2", "", "9", false, false},
    {"1.8.0_292", "1.8.0_60", "", true, true},
    {"17.0.10", "17.0.9", "", true, true},
};

TEST_F(VersionRules, WorkedExamplesOfBothRangeTests) {
  for (const RangeRow& row : kWorkedExamples) {
    SCOPED_TRACE(std::string(row.version) + " in [" + row.minimum + ", " + row.maximum + "]");
    EXPECT_EQ(versionInRange(row.version, row.minimum, row.maximum, PreRelease::Refused),
              row.inRange);
    EXPECT_EQ(versionPrefixInRange(row.version, row.minimum, row.maximum), row.prefixInRange);
  }
  EXPECT_TRUE(versionInRange("1.8.0-ea", "1.6", "", PreRelease::Allowed))
      << "caller allows pre-releases";
}

TEST_F(VersionRules, PreReleaseMarkersCountOnlyAsTheirOwnComponent) {
  for (const char* pre : {"1.8.0-ea", "9-ea+150", "1.6.0-beta2", "11.0.2-rc", "rc1", "1.9.0_ea",
                          "17-beta", "ea"}) {
    EXPECT_TRUE(isPreRelease(pre)) << pre;
    EXPECT_FALSE(versionInRange(pre, "", "", PreRelease::Refused)) << pre;
  }
  for (const char* release : {"1.7.0_80-release", "1.8.0_292", "17.0.15", "1.8.0-search",
                              "11-zebra", "1.6.0-dearc"}) {
    EXPECT_FALSE(isPreRelease(release)) << release;
    EXPECT_TRUE(versionInRange(release, "", "", PreRelease::Refused)) << release;
  }
  EXPECT_TRUE(isPreRelease("1.8.0-beta_x")) << "an underscore is no letter";
}

TEST_F(VersionRules, PreReleaseOptionAllowsThemEverywhere) {
  LauncherConfig[key::AllowPrerelease] = "1";
  EXPECT_TRUE(versionInRange("1.8.0-ea", "1.6", "", PreRelease::Refused));
  EXPECT_FALSE(versionInRange("1.5.0-ea", "1.6", "", PreRelease::Refused)) << "the bounds still apply";
}

TEST_F(VersionRules, BannerLinesOfBothKinds) {
  char version[64];
  ASSERT_TRUE(parseVersionBanner("java version \"1.6.0_45\"\n", version, sizeof(version)));
  EXPECT_STREQ(version, "1.6.0_45");
  ASSERT_TRUE(parseVersionBanner("openjdk version \"1.8.0_292\"\r\n", version, sizeof(version)));
  EXPECT_STREQ(version, "1.8.0_292");
  // Current runtimes print a date after the closing quote: it must not end up in the version.
  ASSERT_TRUE(parseVersionBanner("openjdk version \"17.0.15\" 2025-04-15\n", version,
                                 sizeof(version)));
  EXPECT_STREQ(version, "17.0.15");
  ASSERT_TRUE(parseVersionBanner("java version \"1.7.0_80\"", version, sizeof(version)))
      << "no line end after the last line";
  EXPECT_STREQ(version, "1.7.0_80");
}

TEST_F(VersionRules, BadBannerLinesYieldNoVersion) {
  char version[64] = "stale";
  const char* bad[] = {
      "",
      "\n",
      "java version \"",                  // shorter than the prefix plus two characters
      "java version \"\"\n",             // empty version
      "java version \"1.8.0_60\n",       // no closing quote
      "java version 1.8.0_60\n",         // no opening quote
      "Picked up _JAVA_OPTIONS: -Xmx1g\n",
      " java version \"1.8.0\"\n",
      "JAVA VERSION \"1.8.0\"\n",
      "openjdk version",
  };
  for (const char* line : bad) {
    EXPECT_FALSE(parseVersionBanner(line, version, sizeof(version))) << line;
    EXPECT_STREQ(version, "") << line;
  }
  // A first line cut at 99 characters before its closing quote.
  std::string longLine = "java version \"" + std::string(85, '1');
  ASSERT_EQ(longLine.size(), 99u);
  EXPECT_FALSE(parseVersionBanner(longLine.c_str(), version, sizeof(version)));
  // A version that does not fit the caller's buffer is refused, never cut.
  char small[4];
  EXPECT_FALSE(parseVersionBanner("java version \"1.8.0\"", small, sizeof(small)));
  EXPECT_STREQ(small, "");
}

}  // namespace
}  // namespace tessel
