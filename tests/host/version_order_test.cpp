#include <gtest/gtest.h>

#include <string>

#include "version_text.h"

namespace tessel {
namespace {

struct BoundRow {
  const char* version;
  const char* minimum;
  const char* maximum;
  BoundsVerdict verdict;
};

// The cases users met, each with a neighbour on the other side of the bound.
const BoundRow kBounds[] = {
    {"17.0.2", "9", "", BoundsVerdict::InRange},
    {"8.0.1", "9", "", BoundsVerdict::Below},
    {"9.0.4", "11", "", BoundsVerdict::Below},
    {"11.0.2", "11", "", BoundsVerdict::InRange},
    {"17.0.2", "", "9", BoundsVerdict::Above},
    {"9.0.4", "", "9", BoundsVerdict::InRange},
    {"1.8.0_292", "1.8.0_60", "", BoundsVerdict::InRange},
    {"1.8.0_45", "1.8.0_60", "", BoundsVerdict::Below},
    {"17.0.10", "17.0.9", "", BoundsVerdict::InRange},
    {"17.0.8", "17.0.9", "", BoundsVerdict::Below},
    {"17.0.9", "17.0.9", "", BoundsVerdict::InRange},
    {"17.0.10+7", "17.0.9", "17.0.10", BoundsVerdict::InRange},
    // A bound matches by its own components.
    {"1.8.0_292", "1.8", "1.8", BoundsVerdict::InRange},
    {"1.8.0", "1.8", "1.8", BoundsVerdict::InRange},
    {"1.7.0_80", "1.8", "", BoundsVerdict::Below},
    {"9.0.4", "", "1.8", BoundsVerdict::Above},
    {"17.0.15", "17", "17", BoundsVerdict::InRange},
    {"17", "17", "17", BoundsVerdict::InRange},
    {"21.0.1", "", "17", BoundsVerdict::Above},
    {"11.0.22", "17", "", BoundsVerdict::Below},
    // Bounds of the form 1.x keep their meaning against the newer scheme.
    {"9.0.4", "1.6", "", BoundsVerdict::InRange},
    {"10.0.2", "1.6", "1.8", BoundsVerdict::Above},
    {"1.10.0", "1.6", "", BoundsVerdict::InRange},
    {"1.6.0_9", "1.6.0_10", "", BoundsVerdict::Below},
    {"1.6.0", "1.6.0_10", "", BoundsVerdict::Below},
    // Pre-release tails: a bound without a tail ignores the version's.
    {"17-ea", "17", "17", BoundsVerdict::InRange},
    {"18-ea", "", "17", BoundsVerdict::Above},
    {"17", "17-ea", "", BoundsVerdict::InRange},
    {"16.0.2", "17-ea", "", BoundsVerdict::Below},
    {"17.0.10+7", "", "17.0.10+6", BoundsVerdict::Above},
};

TEST(VersionBounds, MatchByTheirOwnComponents) {
  for (const BoundRow& row : kBounds) {
    SCOPED_TRACE(std::string(row.version) + " in [" + row.minimum + ", " + row.maximum + "]");
    EXPECT_EQ(versionBoundsVerdict(row.version, row.minimum, row.maximum), row.verdict);
  }
}

TEST(VersionBounds, RegistryNamesCompareOverTheComponentsBothHave) {
  EXPECT_TRUE(versionPrefixInRange("1.8", "1.8.0_60", ""));
  EXPECT_TRUE(versionPrefixInRange("17", "17.0.9", "17.0.9"));
  EXPECT_TRUE(versionPrefixInRange("1.8.0_292", "1.8.0_60", "1.8"));
  EXPECT_FALSE(versionPrefixInRange("1.7", "1.8.0_60", ""));
  EXPECT_FALSE(versionPrefixInRange("17", "", "11"));
  EXPECT_FALSE(versionPrefixInRange("9", "11", ""));
  EXPECT_TRUE(versionPrefixInRange("11", "9", ""));
  EXPECT_TRUE(versionPrefixInRange("1.10", "1.6", ""));
}

// Older first; every pair is checked in both directions.
const char* const kAscending[] = {
    "1.6.0_9",  "1.6.0_10", "1.7.0_80", "1.8.0-ea",  "1.8.0",    "1.8.0_60",
    "1.8.0_292", "1.10.0",  "9-ea+150", "9",         "9.0.4",    "10.0.2",
    "11.0.2",   "17-ea",    "17",       "17.0.2",    "17.0.9",   "17.0.10",
    "17.0.10+7", "17.0.10+12", "21",
};

TEST(VersionOrder, NumbersComponentByComponent) {
  const size_t n = sizeof(kAscending) / sizeof(kAscending[0]);
  for (size_t i = 0; i < n; ++i) {
    EXPECT_EQ(compareVersions(kAscending[i], kAscending[i]), 0) << kAscending[i];
    for (size_t j = i + 1; j < n; ++j) {
      SCOPED_TRACE(std::string(kAscending[i]) + " < " + kAscending[j]);
      EXPECT_LT(compareVersions(kAscending[i], kAscending[j]), 0);
      EXPECT_GT(compareVersions(kAscending[j], kAscending[i]), 0);
    }
  }
}

TEST(VersionOrder, WrittenZerosAndOddTexts) {
  EXPECT_EQ(compareVersions("17.0.02", "17.0.2"), 0);
  EXPECT_LT(compareVersions("17", "17.0"), 0) << "a total order: the longer comes last";
  EXPECT_GT(compareVersions("1.8.0_292", "1.8.0_292-"), -2);  // no crash on a bare dash
  EXPECT_LT(compareVersions("", "1"), 0);
  EXPECT_GT(compareVersions("99999999999999999999999", "9999999999999999999999"), 0)
      << "numbers longer than any integer";
  EXPECT_EQ(versionBoundsVerdict("1.\xE9", "", ""), BoundsVerdict::InRange);
}

TEST(VersionBanner, FoundAmongTheCapturedLines) {
  char version[100];
  const std::string notice = "Picked up JAVA_TOOL_OPTIONS: " + std::string(300, 'o') + "\r\n";
  std::string text = notice + "Picked up _JAVA_OPTIONS: -Xmx1g\r\n" +
                     "openjdk version \"17.0.10\" 2024-01-16\r\nOpenJDK Runtime Environment\r\n";
  ASSERT_TRUE(findVersionBanner(text.data(), text.size(), version, sizeof(version)));
  EXPECT_STREQ(version, "17.0.10");
  // A banner text inside a long notice is no line of its own.
  text = "Picked up JDK_JAVA_OPTIONS: " + std::string(71, 'o') + "java version \"1.8\"\n";
  EXPECT_FALSE(findVersionBanner(text.data(), text.size(), version, sizeof(version)));
  EXPECT_STREQ(version, "");
  EXPECT_FALSE(findVersionBanner("", 0, version, sizeof(version)));
  text = "java version \"1.8.0_60\"";  // not terminated: only the length counts
  ASSERT_TRUE(findVersionBanner(text.data(), text.size() - 1, version, sizeof(version)) == false);
}

}  // namespace
}  // namespace tessel
